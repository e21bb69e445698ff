#include "scan/CdGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scan {
namespace {

// r^2 = r0^2 + k * t with t the playing time (s) and k = v * p / pi (mm^2 a second).
constexpr double kSpiral = kLinearVelocityMmPerSecond * kTrackPitchMm / std::numbers::pi;

double PlayingSeconds(double lba) {
  return std::max(0.0, (lba + 150.0) / kBlocksPerSecond);
}

}  // namespace

double CdGeometry::RadiusMm(double lba) {
  return std::sqrt(kInnerRadiusMm * kInnerRadiusMm + kSpiral * PlayingSeconds(lba));
}

double CdGeometry::LbaAtRadius(double radiusMm) {
  const double t = (radiusMm * radiusMm - kInnerRadiusMm * kInnerRadiusMm) / kSpiral;
  return t * kBlocksPerSecond - 150.0;
}

double CdGeometry::Rpm(double fromLba, double toLba, double micros) {
  if (micros <= 0.0 || toLba <= fromLba) return 0.0;
  const double revolutions = (RadiusMm(toLba) - RadiusMm(fromLba)) / kTrackPitchMm;
  return revolutions / (micros * 1e-6) * 60.0;
}

double CdGeometry::SpeedAt(double lba, double rpm) {
  const double mmPerSecond = 2.0 * std::numbers::pi * RadiusMm(lba) * rpm / 60.0;
  return mmPerSecond / kLinearVelocityMmPerSecond;
}

double CdGeometry::RpmAt(double lba, double speedX) {
  const double circumference = 2.0 * std::numbers::pi * RadiusMm(lba);
  return speedX * kLinearVelocityMmPerSecond / circumference * 60.0;
}

}  // namespace scan
