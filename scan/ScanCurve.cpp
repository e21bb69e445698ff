// The transfer-rate curve: the range in commands of a fixed size, cut into zones of whole
// commands, each zone timed as one sample; then the reading strategy fitted to it.
#include <algorithm>

#include "scan/DiscGeometry.h"
#include "scan/DiscScan.h"
#include "scan/LayerBreakSearch.h"
#include "scan/StrategyAnalysis.h"
#include "transport/wnaspi32.h"

namespace scan {

void DiscScan::Curve(report::ScanRecord& record) {
  report::CurveResult& curve = record.curve.emplace();
  curve.blocksPerCommand = static_cast<std::int32_t>(settings_.blocksPerCommand);
  curve.start = start_;
  curve.blocks = blocks_;
  if (!Prepare(record)) {
    curve.aborted = true;
    curve.abortReason = record.refused.empty() ? "the drive did not read" : record.refused.back();
    curve.mode = raw_ ? "raw" : "data";
    return;
  }
  curve.mode = raw_ ? "raw" : "data";
  const std::int64_t per = settings_.blocksPerCommand;
  const std::int64_t commands = (blocks_ + per - 1) / per;
  const std::int64_t zones = std::min<std::int64_t>(commands, settings_.minZones);
  const std::int64_t blockBytes = raw_ ? 2352 : 2048;
  const double blocksPerX = BlocksPerSecondAt1x();
  const session::Medium& medium = session_.CurrentMedium();
  // The spiral the disc's speeds and rotation are read on; an opposite track path's layer 1
  // runs back inwards from its break, a parallel one's starts again at the inside.
  const Spiral& spiral = SpiralOf(medium.family, medium.layers.value_or(1));
  DiscGeometry geometry(spiral, medium.layerBreak ? static_cast<double>(*medium.layerBreak) : 0.0,
                        medium.trackPath);
  curve.samples.reserve(static_cast<std::size_t>(zones));

  Note("Reading the curve: " + std::to_string(zones) + " zones of " + std::to_string(blocks_) +
       " blocks");
  drive_.Seek10(device_, static_cast<LONG>(start_), &sense_);  // the cache starts empty
  for (std::int64_t z = 0; z < zones; ++z) {
    const std::int64_t first = z * commands / zones * per;
    const std::int64_t end = std::min((z + 1) * commands / zones * per, blocks_);
    const std::int64_t lba = start_ + first, count = end - first;
    const std::optional<std::int64_t> micros = TimedRead(lba, count);
    if (!micros && abort_) {  // stopped inside the zone: the zone is not a sample
      curve.aborted = true;
      curve.abortReason = "aborted";
      record.failed = true;
      break;
    }
    if (!micros) {
      Refused(record, raw_ ? "READ CD" : "READ(10)", SS_ERR, true);
      curve.aborted = true;
      curve.abortReason = "the read failed in the zone from LBA " + std::to_string(lba) + ": " +
                          record.refused.back();
      break;
    }
    report::ScanSample s;
    s.lba = lba;
    s.blocks = static_cast<std::int32_t>(count);
    s.micros = std::max<std::int64_t>(*micros, 1);
    const double seconds = static_cast<double>(s.micros) * 1e-6;
    s.speedX = static_cast<double>(count) / seconds / blocksPerX;
    s.kibPerS = static_cast<double>(count * blockBytes) / 1024.0 / seconds;
    s.rpm = geometry.Rpm(static_cast<double>(lba), static_cast<double>(lba + count),
                         static_cast<double>(s.micros));
    curve.samples.push_back(s);
    const bool goOn = !observer_.sample || observer_.sample(s, static_cast<std::size_t>(z),
                                                            static_cast<std::size_t>(zones));
    if (!goOn || abort_) {
      curve.aborted = true;
      curve.abortReason = "aborted";
      record.failed = true;
      break;
    }
  }
  if (curve.aborted) return;
  std::optional<std::int64_t> layerBreak = medium.layerBreak;
  // A BD's layers are not asked: a second one shows as the speed's turn.
  if (medium.family == scsi::MediumFamily::BD && !medium.layers && !layerBreak) {
    if (const auto found =
            LayerBreakSearch::Find(curve.samples, spiral, StrategyAnalysis::kTolerance)) {
      layerBreak = curve.layerBreakFromCurve = found->lba;
      curve.layerPauseSeen = found->pauseSeen;
      geometry = DiscGeometry(spiral, static_cast<double>(found->lba));
      for (report::ScanSample& s : curve.samples)
        s.rpm = geometry.Rpm(static_cast<double>(s.lba), static_cast<double>(s.lba + s.blocks),
                             static_cast<double>(s.micros));
    }
  }
  const StrategyFit fit =
      StrategyAnalysis::Analyse(curve.samples, start_, start_ + blocks_, geometry, layerBreak);
  curve.strategy = fit.strategy;
  curve.startSpeedX = fit.startSpeedX;
  curve.endSpeedX = fit.endSpeedX;
  curve.rpm = fit.rpm;
  curve.zones = fit.zones;
  curve.layerChangeLba = fit.keptOutLba;
  if (geometry.OppositeBreak() > 0 && start_ + blocks_ > *layerBreak)
    curve.returningFrom = *layerBreak;
  if (medium.family != scsi::MediumFamily::CD) JudgeAverage(curve);
  if (fit.strategy == report::Strategy::Unknown && !curve.samples.empty()) {
    // No strategy fits: the measured speeds at both ends stand as they are.
    curve.startSpeedX = curve.samples.front().speedX;
    curve.endSpeedX = curve.samples.back().speedX;
  }
}

}  // namespace scan
