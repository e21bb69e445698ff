// Curves as the drive model says they should come out: one sample per zone, its time the
// disc's passing time at the drive's maximum speed. For drawing tests; no drive is read.
#pragma once

#include <cstdint>

#include "report/ScanRecord.h"
#include "sim/scsi/DriveTiming.h"

namespace plot_test {

report::CurveResult ModelCurve(const sim::DriveTiming& timing, report::Strategy strategy,
                               std::int64_t blocks, int zones = 100);

}  // namespace plot_test
