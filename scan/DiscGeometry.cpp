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

DiscGeometry::DiscGeometry(const Spiral& spiral, double layerBreak, scsi::TrackPath path)
    : spiral_(spiral),
      break_(std::max(layerBreak, 0.0)),
      opposite_(path == scsi::TrackPath::Opposite),
      k_(spiral.linearVelocityMmPerSecond * spiral.trackPitchMm / std::numbers::pi) {}

double DiscGeometry::SpiralLba(double lba) const {
  if (!OnLayer1(lba)) return lba;
  return opposite_ ? std::max(2 * break_ - lba, 0.0) : lba - break_;
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
  // Tracks crossed on each layer: outwards on layer 0; on layer 1 inwards from layer 0's end
  // (opposite track path) or outwards from the inside again (parallel).
  double crossedMm = 0.0;
  if (!OnLayer1(fromLba) && OnLayer1(toLba)) {
    const double layer1Start = RadiusOnSpiral(opposite_ ? break_ : 0.0);
    crossedMm = std::abs(RadiusOnSpiral(break_) - RadiusMm(fromLba)) +
                std::abs(RadiusMm(toLba) - layer1Start);
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
