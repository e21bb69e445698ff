// The audio check's record as text (the report a person reads), JSON (one key per finding,
// each with its evidence) and CSV (figure,value rows).
#pragma once

#include <chrono>
#include <string>

#include "report/AudioCheckRecord.h"
#include "report/DriveRecord.h"

namespace report {

std::string AudioCheckText(const AudioCheckRecord& record);
std::string AudioCheckJson(
    const DriveRecord& drive, const DiscRecord& disc, const AudioCheckRecord& record,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now());
std::string AudioCheckCsv(const AudioCheckRecord& record);

}  // namespace report
