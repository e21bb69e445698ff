// Speeds as SET CD SPEED and the capabilities page count them: kB/s (1000 bytes), with a
// CD's 1x = 176.4 kB/s (75 sectors of 2352 bytes). Drives count 176.4 kB/s per 1x, or round
// it to 176 or to 177 (0.34 % off at most); a figure within 0.5 % of a whole speed is that
// speed. Other media: report/MediumUnits.h.
#pragma once

#include <cstdint>

#include "report/MediumUnits.h"

namespace report {

inline constexpr double kKiloBytesPerX = UnitOf(scsi::MediumFamily::CD).kiloBytesPerX;

// The SET CD SPEED field for `x` (never below what `x` asks for; FFFEh at most).
inline std::uint16_t KiloBytesForX(double x) {
  return KiloBytesForX(x, scsi::MediumFamily::CD);
}

// The speed in x that a drive's kB/s figure stands for.
inline double XForKiloBytes(double kbps) {
  return XForKiloBytes(kbps, scsi::MediumFamily::CD);
}

}  // namespace report
