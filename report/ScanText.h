// The scan record as the text report the command line prints: one paragraph per
// measurement that was run, and what the drive refused.
#pragma once

#include <string>

#include "report/ScanRecord.h"

namespace report {

std::string ScanText(const ScanRecord& record);

}  // namespace report
