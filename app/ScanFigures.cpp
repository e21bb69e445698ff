#include "app/ScanFigures.h"

#include <cstdio>

#include "report/Rotation.h"
#include "report/plot/CurveGraph.h"

namespace {

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string BlocksWithTimeText(std::int64_t blocks) {
  const std::int64_t b = blocks < 0 ? 0 : blocks;
  char text[64];
  std::snprintf(text, sizeof text, "%lld blocks (%02lld:%02lld:%02lld)", static_cast<long long>(b),
                static_cast<long long>(b / 4500), static_cast<long long>(b / 75 % 60),
                static_cast<long long>(b % 75));
  return text;
}

std::string MediumDiscText(std::int64_t blocks, const session::Medium& medium) {
  if (!medium.profile) return BlocksWithTimeText(blocks);
  if (medium.family == scsi::MediumFamily::CD)
    return medium.name + ", " + BlocksWithTimeText(blocks);
  char size[32];
  std::snprintf(size, sizeof size, "%.2f GB", static_cast<double>(blocks) * 2048.0 / 1e9);
  std::string text = medium.name + ", " + std::to_string(blocks) + " blocks (" + size + ")";
  if (medium.layers) {
    text += ", " + std::to_string(*medium.layers) + (*medium.layers == 1 ? " layer" : " layers");
    if (*medium.layers > 1)
      text += medium.trackPath == scsi::TrackPath::Opposite ? ", opposite track path"
                                                            : ", parallel track path";
    if (medium.layerBreak) text += ", layer break at LBA " + std::to_string(*medium.layerBreak);
  }
  return text;
}

void SetPlotMedium(report::plot::PlotHead& head, const session::Medium& medium) {
  head.cd = medium.family == scsi::MediumFamily::CD;
  head.layerBreak = medium.layerBreak;
}

std::string CountText(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::vector<std::string> ScanFigureLines(const report::ScanRecord& record,
                                         const std::string& askedMode) {
  std::vector<std::string> lines;
  if (const auto& curve = record.curve) {
    const bool finished = !curve->aborted && !curve->samples.empty();
    const bool cd = record.unit == scsi::MediumFamily::CD;
    lines.push_back(std::string("Strategy: ") +
                    (finished ? report::StrategyName(curve->strategy) : "-"));
    if (finished) {
      lines.push_back(Format("Start speed: %.2fx", curve->startSpeedX));
      lines.push_back(Format("End speed: %.2fx", curve->endSpeedX));
      if (curve->rpm)
        lines.push_back(report::PhysicalRpm(*curve->rpm)
                            ? Format("Rotation: %.0f rpm", *curve->rpm)
                            : std::string("Rotation: ") + report::kNotPhysicalRpm);
      if (curve->heldDown && *curve->heldDown) lines.push_back("Held down by the drive");
      if (curve->strategy == report::Strategy::PCAV && !curve->zones.empty()) {
        lines.push_back("CAV up to " + report::plot::DiscPositionText(curve->zones.front(), cd));
      } else if (!curve->zones.empty()) {
        std::string zones = "Zones from";
        for (std::size_t i = 0; i < curve->zones.size(); ++i)
          zones += (i == 0 ? " " : ", ") + report::plot::DiscPositionText(curve->zones[i], cd);
        lines.push_back(zones);
      }
    } else if (!curve->samples.empty()) {
      // Stopped early: the speeds as read, no fitted figures.
      lines.push_back(Format("First sample: %.2fx", curve->samples.front().speedX));
      lines.push_back(Format("Last sample: %.2fx", curve->samples.back().speedX));
    }
    if (!curve->mode.empty()) {
      std::string mode = curve->mode == "raw" ? "Read mode: raw" : "Read mode: data";
      if (!askedMode.empty() && askedMode != curve->mode)
        mode += curve->mode == "raw" ? " (no user data)" : " (asked: " + askedMode + ")";
      lines.push_back(mode);
    }
    std::int64_t micros = 0;
    for (const report::ScanSample& s : curve->samples) micros += s.micros;
    lines.push_back(CountText(curve->samples.size(), "sample", "samples") + " in " +
                    Format("%.1f s", static_cast<double>(micros) / 1e6));
    if (curve->aborted) {
      lines.push_back("Stopped early" +
                      (curve->abortReason.empty() ? std::string() : ": " + curve->abortReason));
    }
  }
  if (record.access && record.access->aborted) {
    lines.push_back("Access times: stopped early");
  } else if (const auto& access = record.access) {
    lines.push_back(Format("Random access: %.1f ms", access->randomMs));
    lines.push_back(Format("1/3 stroke: %.1f ms", access->thirdMs));
    lines.push_back(Format("Full stroke: %.1f ms", access->fullMs));
  }
  if (record.spinUpMs) lines.push_back(Format("Spin-up: %.0f ms", *record.spinUpMs));
  if (record.spinUpAborted) lines.push_back("Spin-up: stopped early");
  if (const auto& surface = record.surface) {
    lines.push_back("Surface: " + std::to_string(surface->GoodCount()) + " good, " +
                    std::to_string(surface->weakCount) + " weak");
    lines.push_back(std::to_string(surface->unreadableCount) + " unreadable, " +
                    std::to_string(surface->c2Count) + " C2-flagged");
    if (surface->aborted)
      lines.push_back("Surface stopped after " + std::to_string(surface->read) + " blocks");
  }
  for (const std::string& refused : record.refused) lines.push_back("Refused: " + refused);
  return lines;
}
