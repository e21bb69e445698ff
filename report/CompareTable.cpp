#include "report/CompareTable.h"

#include <algorithm>
#include <cstdio>

namespace report {
namespace {

std::string TableFixed(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string DriveText(const DriveRecord& d) {
  std::string text = d.vendor;
  for (const std::string* part : {&d.product, &d.revision})
    if (!part->empty()) text += (text.empty() ? "" : " ") + *part;
  return text.empty() ? "-" : text;
}

std::string CurveFigure(const SavedScan& s, double CurveResult::*speed) {
  const std::optional<CurveResult> curve = DrawnCurve(s);
  if (!curve) return "-";
  return TableFixed(*curve.*speed, 2) + "x";
}

}  // namespace

std::optional<CurveResult> DrawnCurve(const SavedScan& scan) {
  if (scan.record.curve && !scan.record.curve->samples.empty()) return scan.record.curve;
  if (!scan.record.surface || scan.record.surface->speeds.empty()) return std::nullopt;
  CurveResult curve;
  for (const SurfaceSpeed& s : scan.record.surface->speeds) {
    ScanSample sample;
    sample.lba = s.lba;
    sample.blocks = static_cast<std::int32_t>(s.blocks);
    sample.speedX = s.speedX;
    curve.samples.push_back(sample);
  }
  curve.startSpeedX = curve.samples.front().speedX;
  curve.endSpeedX = curve.samples.back().speedX;
  return curve;
}

std::vector<std::vector<std::string>> CompareRows(const std::vector<ComparedRecord>& records) {
  struct Figure {
    const char* name;
    std::string (*cell)(const SavedScan&);
  };
  static const Figure kFigures[] = {
      {"Drive", [](const SavedScan& s) { return DriveText(s.drive); }},
      {"Disc",
       [](const SavedScan& s) {
         return s.disc.capacityBlocks ? std::to_string(*s.disc.capacityBlocks) + " blocks"
                                      : std::string("-");
       }},
      {"Medium",
       [](const SavedScan& s) {
         return s.disc.medium ? s.disc.medium->name : std::string("CD (not named)");
       }},
      {"Date", [](const SavedScan& s) { return s.date.empty() ? std::string("-") : s.date; }},
      {"Strategy",
       [](const SavedScan& s) {
         return s.record.curve ? std::string(StrategyName(s.record.curve->strategy))
                               : std::string("-");
       }},
      {"Start speed", [](const SavedScan& s) { return CurveFigure(s, &CurveResult::startSpeedX); }},
      {"End speed", [](const SavedScan& s) { return CurveFigure(s, &CurveResult::endSpeedX); }},
      {"Access (ms)",
       [](const SavedScan& s) {
         const std::optional<AccessResult>& a = s.record.access;
         if (!a || a->aborted) return std::string("-");
         return TableFixed(a->randomMs, 1) + " / " + TableFixed(a->thirdMs, 1) + " / " +
                TableFixed(a->fullMs, 1);
       }},
      {"Spin-up (ms)",
       [](const SavedScan& s) {
         return s.record.spinUpMs ? TableFixed(*s.record.spinUpMs, 1) : std::string("-");
       }},
      {"Surface",
       [](const SavedScan& s) {
         const std::optional<SurfaceResult>& f = s.record.surface;
         if (!f) return std::string("-");
         return std::to_string(f->GoodCount()) + " good, " + std::to_string(f->weakCount) +
                " weak, " + std::to_string(f->unreadableCount) + " unreadable, " +
                std::to_string(f->c2Count) + " C2";
       }},
  };
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string>& head = rows.emplace_back(1, "");
  for (const ComparedRecord& r : records) head.push_back(r.name);
  for (const Figure& f : kFigures) {
    std::vector<std::string>& row = rows.emplace_back(1, f.name);
    for (const ComparedRecord& r : records) row.push_back(f.cell(r.scan));
  }
  return rows;
}

std::string CompareTableText(const std::vector<ComparedRecord>& records) {
  const std::vector<std::vector<std::string>> rows = CompareRows(records);
  std::vector<std::size_t> widths(records.size() + 1, 0);
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c)
      line += row[c] + (c + 1 < row.size() ? std::string(widths[c] - row[c].size() + 2, ' ') : "");
    text += line + "\n";
  }
  return text;
}

}  // namespace report
