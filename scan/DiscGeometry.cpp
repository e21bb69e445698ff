#include "scan/DiscGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scan {

const Spiral& SpiralOf(scsi::MediumFamily family, int layers) {
  switch (family) {
    case scsi::MediumFamily::DVD:
      return layers > 1 ? kDualLayerDvdSpiral : kDvdSpiral;
    case scsi::MediumFamily::BD:
      return kBdSpiral;
    case scsi::MediumFamily::CD:
      break;
  }
  return kCdSpiral;
}

DiscGeometry::DiscGeometry(const Spiral& spiral, double oppositeBreak)
    : spiral_(spiral),
      break_(std::max(oppositeBreak, 0.0)),
      k_(spiral.linearVelocityMmPerSecond * spiral.trackPitchMm / std::numbers::pi) {}

double DiscGeometry::SpiralLba(double lba) const {
  return OnReturningLayer(lba) ? std::max(2 * break_ - lba, 0.0) : lba;
}

double DiscGeometry::RadiusOnSpiral(double spiralLba) const {
  const double t = std::max(0.0, (spiralLba + spiral_.leadInBlocks) / spiral_.blocksPerSecond);
  return std::sqrt(spiral_.innerRadiusMm * spiral_.innerRadiusMm + k_ * t);
}

double DiscGeometry::RadiusMm(double lba) const {
  return RadiusOnSpiral(SpiralLba(lba));
}

double DiscGeometry::LbaAtRadius(double radiusMm) const {
  const double r0 = spiral_.innerRadiusMm;
  const double t = (radiusMm * radiusMm - r0 * r0) / k_;
  return t * spiral_.blocksPerSecond - spiral_.leadInBlocks;
}

double DiscGeometry::Rpm(double fromLba, double toLba, double micros) const {
  if (micros <= 0.0 || toLba <= fromLba) return 0.0;
  // Tracks crossed on each layer: outwards on layer 0, inwards on a returning layer 1.
  double crossedMm = 0.0;
  if (!OnReturningLayer(fromLba) && OnReturningLayer(toLba)) {
    crossedMm = (RadiusMm(break_) - RadiusMm(fromLba)) + (RadiusMm(break_) - RadiusMm(toLba));
  } else {
    crossedMm = std::abs(RadiusMm(toLba) - RadiusMm(fromLba));
  }
  const double revolutions = crossedMm / spiral_.trackPitchMm;
  return revolutions / (micros * 1e-6) * 60.0;
}

double DiscGeometry::SpeedAt(double lba, double rpm) const {
  const double mmPerSecond = 2.0 * std::numbers::pi * RadiusMm(lba) * rpm / 60.0;
  return mmPerSecond / spiral_.linearVelocityMmPerSecond;
}

double DiscGeometry::RpmAt(double lba, double speedX) const {
  const double circumference = 2.0 * std::numbers::pi * RadiusMm(lba);
  return speedX * spiral_.linearVelocityMmPerSecond / circumference * 60.0;
}

}  // namespace scan
