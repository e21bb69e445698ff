// Rotation speeds as the reports give them. No drive turns a 12 cm disc faster than
// 15,000 rpm: a figure above that comes from reads the disc's rotation does not explain (a
// cache, an emulated drive that is not throttled) and is said to be not physical instead of
// printed — in JSON as null, with "rpm_not_physical": true on the curve; an empty field in
// CSV; a gap in the plot's rotation line.
#pragma once

#include <optional>
#include <string>

namespace report {

inline constexpr double kMaxPhysicalRpm = 15000.0;

inline bool PhysicalRpm(double rpm) {
  return rpm <= kMaxPhysicalRpm;
}

// The figure when it is physical, nothing otherwise.
inline std::optional<double> ShownRpm(double rpm) {
  if (!PhysicalRpm(rpm)) return std::nullopt;
  return rpm;
}

inline constexpr char kNotPhysicalRpm[] = "not physical (above 15000 rpm)";

}  // namespace report
