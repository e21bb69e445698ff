// The scan record as CSV: the curve's samples, one row each
// (lba,blocks,micros,speed_x,kb_per_s,rpm), then — after an empty line when there is a
// curve — the other figures as figure,value rows.
#pragma once

#include <string>

#include "report/ScanRecord.h"

namespace report {

std::string ScanCsv(const ScanRecord& record);

}  // namespace report
