// The scan record as CSV, one table with one header so that any CSV reader takes it: with
// a curve, its samples, one row each (lba,blocks,micros,speed_x,kib_per_s,rpm); without one,
// the other figures as figure,value rows. The figures of a curve (strategy, speeds, zones)
// and what was timed beside it are in the text report and the JSON.
#pragma once

#include <string>

#include "report/ScanRecord.h"

namespace report {

std::string ScanCsv(const ScanRecord& record);

}  // namespace report
