// The reading strategy of a drive, told from its transfer-rate curve: CLV (one speed
// everywhere), CAV (one rotation speed: the speed grows with the radius), P-CAV (CAV from
// the inside until the speed reaches its maximum, constant from there) or Z-CLV (constant
// speeds stepping up zone by zone). Each is fitted to the samples; a fit holds when at
// least 90 % of the samples lie within the tolerance of it. "unknown" when none holds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "report/ScanRecord.h"
#include "scan/DiscGeometry.h"

namespace scan {

struct StrategyFit {
  report::Strategy strategy = report::Strategy::Unknown;
  double startSpeedX = 0;  // the fitted curve's speed at the first and the last block
  double endSpeedX = 0;
  std::optional<double> rpm;               // the rotation speed of the CAV part
  std::vector<std::int64_t> zones;         // P-CAV change-over; Z-CLV zone starts after the first
  std::optional<std::int64_t> keptOutLba;  // the sample holding the layer change, not fitted
};

class StrategyAnalysis {
 public:
  static constexpr double kTolerance = 0.03;
  static constexpr double kFitShare = 0.9;
  static constexpr std::size_t kMaxZones = 8;

  // `samples` cover [rangeStart, rangeEnd) in order; their rpm fields are ignored (the
  // rotation speed is computed from each sample's blocks and time).
  static StrategyFit Analyse(const std::vector<report::ScanSample>& samples,
                             std::int64_t rangeStart, std::int64_t rangeEnd,
                             double tolerance = kTolerance);
  // The same on the spiral of `geometry` (a CD's above), its speeds in x of the spiral's 1x;
  // the sample that reads `layerBreak`, the first block of layer 1, is kept out of the fit.
  static StrategyFit Analyse(const std::vector<report::ScanSample>& samples,
                             std::int64_t rangeStart, std::int64_t rangeEnd,
                             const DiscGeometry& geometry, std::optional<std::int64_t> layerBreak,
                             double tolerance = kTolerance);

  // The strategy a curve shows without the disc's geometry — CLV, one constant speed — for
  // media whose spiral is not modelled (DVD, BD); unknown otherwise. Speeds in x of
  // `blocksPerSecondAt1x`; no rotation speed.
  static StrategyFit AnalyseSpeeds(const std::vector<report::ScanSample>& samples,
                                   double blocksPerSecondAt1x, double tolerance = kTolerance);
};

}  // namespace scan
