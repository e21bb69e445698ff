#include "report/plot/CurveGraph.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "report/Rotation.h"

namespace report::plot {

namespace {

constexpr double kBlocksPerMinute = 75.0 * 60.0;
constexpr toolkit::TColor kSpeedColour = toolkit::RGB(0x1f, 0x4e, 0xb4);
constexpr toolkit::TColor kRpmColour = toolkit::RGB(0xd0, 0x50, 0x20);

constexpr double kBytesPerGigabyte = 1e9;
constexpr double kUserBytesPerBlock = 2048;

// Where a block stands on the axis: minutes on a CD, GB of user data on a DVD or BD.
struct Axis {
  PositionAxis kind;
  bool cd;
  double Position(double lba) const {
    if (kind == PositionAxis::Lba) return lba;
    return cd ? lba / kBlocksPerMinute : lba * kUserBytesPerBlock / kBytesPerGigabyte;
  }
  std::string Title() const {
    if (kind == PositionAxis::Lba) return "Position (LBA)";
    return cd ? "Position on the disc (minutes)" : "Position on the disc (GB)";
  }
};

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string PositionText(std::int64_t lba, bool cd) {
  return DiscPositionText(lba, cd) + " (LBA " + std::to_string(lba) + ")";
}

std::string StrategyNote(const CurveResult& curve, bool cd) {
  std::string note = std::string("Strategy: ") + StrategyName(curve.strategy);
  if (curve.rpm)
    note += PhysicalRpm(*curve.rpm) ? Format(", %.0f rpm", *curve.rpm)
                                    : std::string(", rotation ") + kNotPhysicalRpm;
  if (curve.strategy == Strategy::PCAV && !curve.zones.empty()) {
    note += ", CAV up to " + PositionText(curve.zones.front(), cd);
  } else if (curve.strategy == Strategy::ZCLV && !curve.zones.empty()) {
    note += ", zones from";
    for (std::size_t i = 0; i < curve.zones.size(); ++i)
      note += (i == 0 ? " " : ", ") + DiscPositionText(curve.zones[i], cd);
  }
  return note;
}

}  // namespace

std::string DiscPositionText(std::int64_t lba, bool cd) {
  if (cd) return DiscTimeText(lba);
  return Format("%.2f GB",
                static_cast<double>(lba < 0 ? 0 : lba) * kUserBytesPerBlock / kBytesPerGigabyte);
}

std::string DiscTimeText(std::int64_t lba) {
  const std::int64_t seconds = (lba < 0 ? 0 : lba) / 75;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

toolkit::TGraphModel CurveGraph(const CurveResult& curve, const PlotHead& head, PositionAxis kind) {
  const Axis axis{kind, head.cd};
  toolkit::TGraphModel graph;
  graph.Title = "Transfer rate" + (head.drive.empty() ? std::string() : " of " + head.drive);
  std::string measured = curve.mode.empty() ? "data" : curve.mode;
  measured += " mode, " + std::to_string(curve.blocksPerCommand) + " blocks a command";
  if (!head.disc.empty()) measured = head.disc + "; " + measured;
  graph.Notes.push_back(measured);
  // A scan stopped before its strategy was fitted has no fitted speeds (they read 0).
  const bool fitted = !curve.aborted || curve.strategy != Strategy::Unknown;
  if (!curve.samples.empty() && fitted) {
    graph.Notes.push_back(StrategyNote(curve, head.cd) +
                          Format("; start %.2fx", curve.startSpeedX) +
                          Format(", end %.2fx", curve.endSpeedX));
  } else if (!curve.samples.empty()) {
    // Stopped early: no strategy was fitted; the speeds read stand as measured.
    graph.Notes.push_back(Format("Read %.2fx", curve.samples.front().speedX) +
                          Format(" to %.2fx", curve.samples.back().speedX) + " in " +
                          std::to_string(curve.samples.size()) +
                          (curve.samples.size() == 1 ? " sample" : " samples"));
  }
  if (curve.heldDown && *curve.heldDown)
    graph.Notes.push_back(Format("Held down by the drive: average %.2fx", *curve.averageSpeedX) +
                          Format(", under half its maximum of %.1fx", *curve.driveMaxX));
  if (!curve.refused.empty()) {
    std::string refused = "The drive refused:";
    for (std::size_t i = 0; i < curve.refused.size(); ++i)
      refused += (i == 0 ? " " : ", ") + curve.refused[i];
    graph.Notes.push_back(refused);
  }
  if (curve.aborted) {
    graph.Notes.push_back("Stopped early" +
                          (curve.abortReason.empty() ? std::string() : ": " + curve.abortReason));
  }

  graph.XRange.Title = axis.Title();
  if (curve.blocks > 0) {
    graph.XRange.Fixed = true;
    graph.XRange.Min = axis.Position(static_cast<double>(curve.start));
    graph.XRange.Max = axis.Position(static_cast<double>(curve.start + curve.blocks));
  }
  graph.YRange.Title = "Speed (x)";
  graph.Y2Range.Title = "Rotation (rpm)";

  toolkit::TGraphSeries speed{"Speed (x)", kSpeedColour, toolkit::gaLeft, {}};
  toolkit::TGraphSeries rpm{"Rotation (rpm)", kRpmColour, toolkit::gaRight, {}};
  speed.Points.reserve(curve.samples.size());
  rpm.Points.reserve(curve.samples.size());
  const double gap = std::numeric_limits<double>::quiet_NaN();
  for (const ScanSample& s : curve.samples) {
    const double x = axis.Position(static_cast<double>(s.lba) + s.blocks / 2.0);
    speed.Points.push_back({x, s.speedX});
    rpm.Points.push_back({x, s.rpm > 0 && PhysicalRpm(s.rpm) ? s.rpm : gap});
  }
  bool anyRpm = false;
  for (const ScanSample& s : curve.samples) anyRpm = anyRpm || (s.rpm > 0 && PhysicalRpm(s.rpm));
  if (!anyRpm) rpm.Points.clear();
  graph.Series.push_back(std::move(speed));
  graph.Series.push_back(std::move(rpm));

  // A zone starting where the range starts needs no line: the axis is there.
  for (std::size_t i = 0; i < curve.zones.size(); ++i) {
    if (curve.zones[i] <= curve.start) continue;
    const std::string label =
        curve.strategy == Strategy::PCAV ? "CAV | CLV" : DiscPositionText(curve.zones[i], head.cd);
    graph.Markers.push_back({axis.Position(static_cast<double>(curve.zones[i])), label});
  }
  // The layer change of a dual-layer disc, where it lies in the range: as the disc says it,
  // or as the curve showed it.
  const std::optional<std::int64_t> layerBreak =
      head.layerBreak ? head.layerBreak : curve.layerBreakFromCurve;
  if (layerBreak && *layerBreak > curve.start && *layerBreak < curve.start + curve.blocks)
    graph.Markers.push_back({axis.Position(static_cast<double>(*layerBreak)),
                             head.layerBreak ? "layer break" : "layer break (from the curve)"});
  return graph;
}

}  // namespace report::plot
