#include "report/plot/OverlayGraph.h"

#include <cstdio>

namespace report::plot {
namespace {

constexpr toolkit::TColor kColours[] = {
    toolkit::RGB(0x1f, 0x4e, 0xb4), toolkit::RGB(0xd0, 0x50, 0x20), toolkit::RGB(0x2a, 0x8c, 0x3a),
    toolkit::RGB(0x8e, 0x3c, 0xb0), toolkit::RGB(0x9a, 0x7a, 0x10), toolkit::RGB(0x20, 0x8a, 0x9a),
};

double Position(double lba, bool cd) {
  return cd ? lba / (75.0 * 60.0) : lba * 2048.0 / 1e9;
}

std::string OverlayFixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2fx", v);
  return text;
}

}  // namespace

toolkit::TGraphModel OverlayGraph(const std::vector<ComparedRecord>& records, bool cd) {
  toolkit::TGraphModel graph;
  graph.Title = "Transfer rate of " + std::to_string(records.size()) + " runs";
  graph.XRange.Title = cd ? "Position on the disc (minutes)" : "Position on the disc (GB)";
  graph.YRange.Title = "Speed (x)";
  for (std::size_t i = 0; i < records.size(); ++i) {
    const ComparedRecord& r = records[i];
    const std::optional<CurveResult> curve = DrawnCurve(r.scan);
    std::string drive = r.scan.drive.vendor + " " + r.scan.drive.product;
    std::string note = r.name + ": " + drive;
    if (!r.scan.date.empty()) note += ", " + r.scan.date;
    toolkit::TGraphSeries series{r.name, kColours[i % std::size(kColours)], toolkit::gaLeft, {}};
    if (curve) {
      const bool fitted = r.scan.record.curve && !r.scan.record.curve->samples.empty();
      note += fitted ? std::string(", ") + StrategyName(curve->strategy) : ", surface scan";
      note += ", " + OverlayFixed(curve->startSpeedX) + " to " + OverlayFixed(curve->endSpeedX);
      for (const ScanSample& s : curve->samples)
        series.Points.push_back(
            {Position(static_cast<double>(s.lba) + s.blocks / 2.0, cd), s.speedX});
    } else {
      note += ", no curve";
    }
    graph.Notes.push_back(note);
    graph.Series.push_back(std::move(series));
  }
  return graph;
}

}  // namespace report::plot
