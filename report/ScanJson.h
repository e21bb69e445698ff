// The scan record as JSON: the common head (drive, disc, version, date) and, for each
// measurement that was run, its figures.
#pragma once

#include <chrono>
#include <string>

#include "report/DriveRecord.h"
#include "report/ScanRecord.h"

namespace report {

std::string ScanJson(const DriveRecord& drive, const DiscRecord& disc, const ScanRecord& record,
                     std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace report
