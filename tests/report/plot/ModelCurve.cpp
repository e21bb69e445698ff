#include "ModelCurve.h"

#include <numbers>

namespace plot_test {

report::CurveResult ModelCurve(const sim::DriveTiming& timing, report::Strategy strategy,
                               std::int64_t blocks, int zones) {
  const sim::DriveTimingModel model(timing);
  report::CurveResult curve;
  curve.mode = "data";
  curve.blocks = blocks;
  curve.strategy = strategy;
  const std::int64_t perZone = blocks / zones;
  for (int i = 0; i < zones; ++i) {
    const auto from = static_cast<std::int32_t>(i * perZone);
    const auto to = static_cast<std::int32_t>(from + perZone);
    const double micros = model.DiscMicros(from, to, timing.maxDataSpeed);
    report::ScanSample s;
    s.lba = from;
    s.blocks = static_cast<std::int32_t>(perZone);
    s.micros = static_cast<std::int64_t>(micros);
    s.speedX = perZone / (micros / 1e6) / 75.0;
    s.kibPerS = s.speedX * 150.0;
    const double radiusM = model.RadiusMm((from + to) / 2) / 1000.0;
    s.rpm = s.speedX * timing.linearVelocity / (2 * std::numbers::pi * radiusM) * 60.0;
    curve.samples.push_back(s);
  }
  curve.startSpeedX = curve.samples.front().speedX;
  curve.endSpeedX = curve.samples.back().speedX;
  return curve;
}

}  // namespace plot_test
