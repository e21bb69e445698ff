// The speed test's record as JSON: the common head, then `mode`, `range` {start, blocks},
// `seconds`, `kib`, `average_kib_per_s`, `kib_per_x`, `average_x`, `highest_x`, `burst_x`,
// `failed_commands` and `aborted` (false, or why). Figures the run did not produce are null.
#pragma once

#include <chrono>
#include <string>

#include "report/JsonHead.h"
#include "report/SpeedTestRecord.h"

namespace report {

Json SpeedTestJson(const SpeedTestRecord& record,
                   std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

// The same, serialised with two-space indentation and a final newline.
std::string SpeedTestJsonText(
    const SpeedTestRecord& record,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace report
