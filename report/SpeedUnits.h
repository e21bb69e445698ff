// Speeds as SET CD SPEED and the capabilities page count them: kB/s (1000 bytes), with a
// CD's 1x = 176.4 kB/s (75 sectors of 2352 bytes). Drives round their own speeds to 176 or
// to 177 kB/s per 1x; a figure that is a whole speed in either counting is that speed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace report {

inline constexpr double kKiloBytesPerX = 176.4;

// The SET CD SPEED field for `x` (never below what `x` asks for; FFFEh at most).
inline std::uint16_t KiloBytesForX(double x) {
  const double kbps = std::ceil(x * kKiloBytesPerX - 1e-9);
  return static_cast<std::uint16_t>(std::clamp(kbps, 1.0, 65534.0));
}

// The speed in x that a drive's kB/s figure stands for.
inline double XForKiloBytes(double kbps) {
  const double whole = std::round(kbps / kKiloBytesPerX);
  if (whole >= 1.0 &&
      (std::abs(kbps - whole * 176.0) <= 1.0 || std::abs(kbps - whole * kKiloBytesPerX) <= 1.0))
    return whole;
  return kbps / kKiloBytesPerX;
}

}  // namespace report
