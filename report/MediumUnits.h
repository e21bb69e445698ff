// Units per medium: the bytes of user data a second at 1x, and what drives count in kB/s
// (1,000 bytes) per x (page 2Ah, GET PERFORMANCE, SET CD SPEED / SET STREAMING).
//
//   CD   data 153,600 B/s (75 blocks of 2048 bytes: the speed test's "150 KB/s"),
//        raw 176,400 B/s (75 sectors of 2352 bytes); drives count 176.4 kB/s per x
//   DVD  1,385,000 B/s of 2048-byte blocks (about 676.3 blocks a second); 1,385 kB/s per x
//   BD   4,500,000 B/s (36 Mbit/s of user data) of 2048-byte blocks; 4,500 kB/s per x
//
// A drive's kB/s figure within 0.5 % of a whole multiple of the medium's 1x is that
// multiple: drives round a CD's 176.4 to 176 or 177 (0.34 % off at most).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scsi/Profiles.h"

namespace report {

struct MediumUnit {
  scsi::MediumFamily family;
  double dataBytesPerSecond;  // 1x in 2048-byte blocks
  double rawBytesPerSecond;   // 1x in 2352-byte sectors; 0 where there are none
  double kiloBytesPerX;       // as drives count
};

inline constexpr MediumUnit kMediumUnits[] = {
    {scsi::MediumFamily::CD, 153'600.0, 176'400.0, 176.4},
    {scsi::MediumFamily::DVD, 1'385'000.0, 0.0, 1'385.0},
    {scsi::MediumFamily::BD, 4'500'000.0, 0.0, 4'500.0},
};

constexpr const MediumUnit& UnitOf(scsi::MediumFamily family) {
  for (const MediumUnit& unit : kMediumUnits)
    if (unit.family == family) return unit;
  return kMediumUnits[0];
}

// Blocks a second at 1x for blocks of `blockBytes`: a CD's raw 2352-byte sectors pass at the
// same 75 a second as its data blocks; every other read counts 2048-byte blocks.
constexpr double BlocksPerSecondAt1x(scsi::MediumFamily family, std::uint32_t blockBytes) {
  const MediumUnit& unit = UnitOf(family);
  if (blockBytes == 2352 && unit.rawBytesPerSecond > 0) return unit.rawBytesPerSecond / 2352.0;
  return unit.dataBytesPerSecond / 2048.0;
}

// The kB/s field for `x` of the medium (never below what `x` asks for; FFFEh at most).
inline std::uint16_t KiloBytesForX(double x, scsi::MediumFamily family) {
  const double kbps = std::ceil(x * UnitOf(family).kiloBytesPerX - 1e-9);
  return static_cast<std::uint16_t>(std::clamp(kbps, 1.0, 65534.0));
}

// The kB/s for `x` of the medium as SET STREAMING takes it (32 bits: a BD's 16x is 72,000).
inline std::uint32_t StreamingKiloBytesForX(double x, scsi::MediumFamily family) {
  const double kbps = std::ceil(x * UnitOf(family).kiloBytesPerX - 1e-9);
  return static_cast<std::uint32_t>(std::clamp(kbps, 1.0, 4294967295.0));
}

// The speed in the medium's x that a drive's kB/s figure stands for.
inline double XForKiloBytes(double kbps, scsi::MediumFamily family) {
  const double perX = UnitOf(family).kiloBytesPerX;
  const double whole = std::round(kbps / perX);
  if (whole >= 1.0 && std::abs(kbps - whole * perX) <= 0.005 * whole * perX) return whole;
  return kbps / perX;
}

}  // namespace report
