// Speeds as SET CD SPEED and the capabilities page count them: kB/s (1000 bytes), with a
// CD's 1x = 176.4 kB/s (75 sectors of 2352 bytes). Drives count 176.4 kB/s per 1x, or round
// it to 176 or to 177 (0.34 % off at most); a figure within 0.5 % of a whole speed is that
// speed.
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
  if (whole >= 1.0 && std::abs(kbps - whole * kKiloBytesPerX) <= 0.005 * whole * kKiloBytesPerX)
    return whole;
  return kbps / kKiloBytesPerX;
}

}  // namespace report
