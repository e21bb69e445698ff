#include "sim/scsi/DriveTiming.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {

DriveTiming DriveTiming::Cav(double maxData, double maxAudio) {
  DriveTiming t;
  t.profile = SpeedProfile::CAV;
  t.maxDataSpeed = maxData;
  t.maxAudioSpeed = maxAudio;
  return t;
}

DriveTiming DriveTiming::Clv(double maxData, double maxAudio) {
  DriveTiming t = Cav(maxData, maxAudio);
  t.profile = SpeedProfile::CLV;
  return t;
}

DriveTiming DriveTiming::Pcav(double maxData, double maxAudio, double innerFraction) {
  DriveTiming t = Cav(maxData, maxAudio);
  t.profile = SpeedProfile::PCAV;
  t.pcavInnerFraction = innerFraction;
  return t;
}

DriveTiming DriveTiming::Zclv(double maxData, double maxAudio, std::vector<ZclvZone> zones) {
  DriveTiming t = Cav(maxData, maxAudio);
  t.profile = SpeedProfile::ZCLV;
  t.zclvZones = std::move(zones);
  return t;
}

DriveTiming DriveTiming::ZeroLatency() {
  DriveTiming t;
  t.zeroLatency = true;
  t.spinUpMicros = 0;
  t.fullStrokeSeekMicros = 0;
  t.minSeekMicros = 0;
  t.commandOverheadMicros = 0;
  t.mediumErrorMicros = 0;
  return t;
}

DriveTiming WithGeometry(DriveTiming timing, const DiscGeometry& geometry,
                         std::int32_t oppositeLayerBreak, std::int32_t parallelLayerBreak) {
  timing.innerRadiusMm = geometry.innerRadiusMm;
  timing.trackPitchUm = geometry.trackPitchUm;
  timing.linearVelocity = geometry.linearVelocity;
  timing.blocksPerSecond = geometry.blocksPerSecond;
  timing.leadInBlocks = geometry.leadInBlocks;
  timing.oppositeLayerBreak = oppositeLayerBreak;
  timing.parallelLayerBreak = oppositeLayerBreak > 0 ? 0 : parallelLayerBreak;
  return timing;
}

DriveTimingModel::DriveTimingModel(DriveTiming timing) : timing_(std::move(timing)) {
  if (timing_.maxDataSpeed < 1.0) timing_.maxDataSpeed = 1.0;
  if (timing_.maxAudioSpeed < 1.0) timing_.maxAudioSpeed = 1.0;
  if (timing_.blocksPerSecond <= 0.0) timing_.blocksPerSecond = 75.0;
  if (timing_.leadInBlocks < 0.0) timing_.leadInBlocks = 0.0;
  if (timing_.oppositeLayerBreak < 0) timing_.oppositeLayerBreak = 0;
  if (timing_.parallelLayerBreak < 0 || timing_.oppositeLayerBreak > 0)
    timing_.parallelLayerBreak = 0;
  if (timing_.outerRadiusMm <= timing_.innerRadiusMm)
    timing_.outerRadiusMm = timing_.innerRadiusMm + 1.0;
  if (timing_.pcavInnerFraction <= 0.0 || timing_.pcavInnerFraction > 1.0)
    timing_.pcavInnerFraction = 1.0;
  zones_ = timing_.zclvZones;
  if (zones_.empty()) {
    // Four 20-minute zones, each at the CAV speed of its start; the last one at the maximum.
    for (int z = 0; z < 4; ++z) {
      const std::int32_t start = z * 20 * 60 * 75;
      const double fraction = z == 3 ? 1.0 : std::min(1.0, RadiusMm(start) / timing_.outerRadiusMm);
      zones_.push_back({start, fraction});
    }
  }
  std::sort(zones_.begin(), zones_.end(),
            [](const ZclvZone& a, const ZclvZone& b) { return a.startLba < b.startLba; });
  for (ZclvZone& z : zones_) z.fraction = std::clamp(z.fraction, 0.01, 1.0);
}

double DriveTimingModel::PlayingSeconds(std::int32_t lba) const {
  return std::max(0.0, (static_cast<double>(lba) + timing_.leadInBlocks) / timing_.blocksPerSecond);
}

std::int32_t DriveTimingModel::SpiralLba(std::int32_t lba) const {
  const std::int32_t p = timing_.parallelLayerBreak;
  if (p > 0 && lba >= p) return lba - p;
  const std::int32_t b = timing_.oppositeLayerBreak;
  if (b <= 0 || lba < b) return lba;
  return std::max(2 * b - 1 - lba, 0);
}

namespace {
// v * p / pi in mm^2 per second of playing time.
double SpiralConstant(const DriveTiming& t) {
  return t.linearVelocity * 1e3 * t.trackPitchUm * 1e-3 / std::numbers::pi;
}
}  // namespace

double DriveTimingModel::RadiusMm(std::int32_t lba) const {
  const double r0 = timing_.innerRadiusMm;
  return std::sqrt(r0 * r0 + SpiralConstant(timing_) * PlayingSeconds(SpiralLba(lba)));
}

double DriveTimingModel::AngularConstant() const {
  return timing_.profile == SpeedProfile::PCAV ? timing_.pcavInnerFraction / timing_.innerRadiusMm
                                               : 1.0 / timing_.outerRadiusMm;
}

double DriveTimingModel::ZoneFraction(std::int32_t lba) const {
  double fraction = zones_.front().fraction;
  for (const ZclvZone& z : zones_)
    if (z.startLba <= lba) fraction = z.fraction;
  return fraction;
}

double DriveTimingModel::SpeedFraction(std::int32_t lba) const {
  switch (timing_.profile) {
    case SpeedProfile::CLV:
      return 1.0;
    case SpeedProfile::ZCLV:
      return ZoneFraction(SpiralLba(lba));
    case SpeedProfile::CAV:
    case SpeedProfile::PCAV:
      break;
  }
  return std::min(1.0, AngularConstant() * RadiusMm(lba));
}

double DriveTimingModel::SpeedAt(std::int32_t lba, double maxSpeed) const {
  return maxSpeed * SpeedFraction(lba);
}

double DriveTimingModel::DiscMicros(std::int32_t from, std::int32_t to, double maxSpeed) const {
  if (to <= from || maxSpeed <= 0.0) return 0.0;
  if (const std::int32_t p = timing_.parallelLayerBreak; p > 0 && to > p) {
    // Layer 1 starts again at the inside: the head refocuses and goes back there.
    const double layer0 = from < p ? SpiralMicros(from, p, maxSpeed) : 0.0;
    const double change =
        from <= p ? static_cast<double>(timing_.layerChangeMicros) + SeekMicros(p - 1, p) : 0.0;
    return layer0 + change + SpiralMicros(std::max(from, p) - p, to - p, maxSpeed);
  }
  const std::int32_t b = timing_.oppositeLayerBreak;
  if (b <= 0 || to <= b) return SpiralMicros(from, to, maxSpeed);
  // Layer 1 passes the head as layer 0 does over the same radii: [b + i, b + j) as
  // [b - j, b - i).
  const double layer0 = from < b ? SpiralMicros(from, b, maxSpeed) : 0.0;
  const std::int32_t first = std::max(from, b);
  const double change = from <= b ? static_cast<double>(timing_.layerChangeMicros) : 0.0;
  return layer0 + change + SpiralMicros(std::max(2 * b - to, 0), 2 * b - first, maxSpeed);
}

double DriveTimingModel::SpiralMicros(std::int32_t from, std::int32_t to, double maxSpeed) const {
  if (to <= from) return 0.0;
  const double t1 = PlayingSeconds(from), t2 = PlayingSeconds(to);
  double seconds = 0.0;
  switch (timing_.profile) {
    case SpeedProfile::CLV:
      seconds = (t2 - t1) / maxSpeed;
      break;
    case SpeedProfile::ZCLV: {
      std::int32_t at = from;
      for (std::size_t i = 0; i < zones_.size() && at < to; ++i) {
        const std::int32_t end = i + 1 < zones_.size() ? std::max(zones_[i + 1].startLba, at) : to;
        const std::int32_t segEnd = std::min(end, to);
        if (segEnd > at) {
          seconds +=
              (PlayingSeconds(segEnd) - PlayingSeconds(at)) / (maxSpeed * zones_[i].fraction);
          at = segEnd;
        }
      }
      break;
    }
    case SpeedProfile::CAV:
    case SpeedProfile::PCAV: {
      // Below the knee (c * r < 1) the speed is maxSpeed * c * r and the time to pass is
      // 2 / (maxSpeed * c * k) * (r(t2) - r(t1)); above it the speed is maxSpeed.
      const double c = AngularConstant(), k = SpiralConstant(timing_);
      const double r0 = timing_.innerRadiusMm;
      const double knee = (1.0 / (c * c) - r0 * r0) / k;  // playing time of the knee
      const double a = std::min(t1, std::max(knee, 0.0)), b = std::min(t2, std::max(knee, 0.0));
      if (b > a) {
        const double ra = std::sqrt(r0 * r0 + k * a), rb = std::sqrt(r0 * r0 + k * b);
        seconds += 2.0 / (maxSpeed * c * k) * (rb - ra);
      }
      const double above = t2 - std::max(t1, std::max(knee, 0.0));
      if (above > 0.0) seconds += above / maxSpeed;
      break;
    }
  }
  return seconds * 1e6;
}

std::int32_t DriveTimingModel::BlocksWithin(std::int32_t from, double micros, double maxSpeed,
                                            std::int32_t limit) const {
  if (limit <= from || micros <= 0.0) return 0;
  std::int32_t lo = 0, hi = limit - from;  // DiscMicros(from, from + lo) <= micros
  if (DiscMicros(from, from + hi, maxSpeed) <= micros) return hi;
  while (hi - lo > 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (DiscMicros(from, from + mid, maxSpeed) <= micros)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

double DriveTimingModel::SeekMicros(std::int32_t from, std::int32_t to) const {
  if (from == to) return 0.0;
  const double span = timing_.outerRadiusMm - timing_.innerRadiusMm;
  const double dr = std::min(1.0, std::abs(RadiusMm(to) - RadiusMm(from)) / span);
  return static_cast<double>(timing_.minSeekMicros) +
         static_cast<double>(timing_.fullStrokeSeekMicros -
                             std::min(timing_.fullStrokeSeekMicros, timing_.minSeekMicros)) *
             std::sqrt(dr);
}

double DriveTimingModel::LatencyMicros(std::int32_t lba, double maxSpeed) const {
  const double speed = SpeedAt(lba, maxSpeed);
  if (speed <= 0.0) return 0.0;
  return std::numbers::pi * RadiusMm(lba) * 1e-3 / (speed * timing_.linearVelocity) * 1e6;
}

double DriveTimingModel::ChooseSpeed(double requested) const {
  const double max = timing_.maxDataSpeed;
  if (requested <= 0.0 || requested >= max) requested = max;
  if (timing_.supportedSpeeds.empty()) return std::clamp(std::floor(requested + 1e-6), 1.0, max);
  double best = 0.0, lowest = 0.0;
  for (double s : timing_.supportedSpeeds) {
    if (s <= 0.0 || s > max) continue;
    if (lowest == 0.0 || s < lowest) lowest = s;
    if (s <= requested + 1e-6 && s > best) best = s;
  }
  if (best > 0.0) return best;
  return lowest > 0.0 ? lowest : max;
}

}  // namespace sim
