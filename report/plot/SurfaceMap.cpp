#include "report/plot/SurfaceMap.h"

#include <algorithm>
#include <cmath>

namespace report::plot {
namespace {

// Where blocks lie: each layer's blocks fill its disc from the inside out (layer 1 of an
// opposite track path from the outside in) at an even density, so a block's radius grows
// with the square root of its position.
class Geometry {
 public:
  Geometry(const PlotHead& head, std::int64_t capacity)
      : capacity_(std::max<std::int64_t>(1, capacity)), break_(capacity_) {
    if (head.layerBreak && *head.layerBreak > 0 && *head.layerBreak < capacity_) {
      break_ = *head.layerBreak;
      opposite_ = head.oppositePath;
    }
  }
  int Layers() const { return break_ < capacity_ ? 2 : 1; }
  int LayerOf(std::int64_t lba) const { return lba >= break_ ? 1 : 0; }
  // The radius where `lba` begins on its layer.
  double RadiusMm(std::int64_t lba) const {
    const bool second = lba >= break_;
    const double first = second ? static_cast<double>(break_) : 0.0;
    const double length =
        second ? static_cast<double>(capacity_ - break_) : static_cast<double>(break_);
    double f = std::clamp((static_cast<double>(lba) - first) / length, 0.0, 1.0);
    if (second && opposite_) f = 1.0 - f;
    const double in = kInnerRadiusMm * kInnerRadiusMm, out = kOuterRadiusMm * kOuterRadiusMm;
    return std::sqrt(in + f * (out - in));
  }
  // The rings [first, end) covers, one a layer it touches.
  void Add(std::vector<MapRing>& rings, std::int64_t first, std::int64_t end,
           toolkit::TColor colour) const {
    first = std::clamp<std::int64_t>(first, 0, capacity_);
    end = std::clamp<std::int64_t>(end, first, capacity_);
    if (first == end) return;
    if (first < break_ && end > break_) {
      Add(rings, first, break_, colour);
      Add(rings, break_, end, colour);
      return;
    }
    double a = RadiusMm(first), b = end == break_ ? kOuterRadiusMm : RadiusMm(end);
    if (a > b) std::swap(a, b);
    if (b - a < kThinnestRingMm) {
      const double mid = (a + b) / 2;
      a = mid - kThinnestRingMm / 2;
      b = mid + kThinnestRingMm / 2;
    }
    rings.push_back({LayerOf(first), a, b, colour});
  }

 private:
  std::int64_t capacity_;
  std::int64_t break_;  // the first block of layer 1; the capacity on a single layer
  bool opposite_ = false;
};

double MapPosition(double lba, bool cd) {
  return cd ? lba / (75.0 * 60.0) : lba * 2048.0 / 1e9;
}

}  // namespace

SurfaceMap MakeSurfaceMap(const SurfaceResult& s, const PlotHead& head, std::int64_t capacity) {
  const Geometry geometry(head, capacity);
  SurfaceMap map;
  map.layers = geometry.Layers();
  map.title = "Surface of the disc" + (head.drive.empty() ? std::string() : " in " + head.drive);
  if (!head.disc.empty()) map.notes.push_back(head.disc);
  map.notes.push_back(std::to_string(s.GoodCount()) + " good, " + std::to_string(s.weakCount) +
                      " weak, " + std::to_string(s.c2Count) + " C2-flagged, " +
                      std::to_string(s.unreadableCount) + " unreadable blocks" +
                      (s.aborted ? "; stopped after " + std::to_string(s.read) + " blocks" : ""));

  // Everything not read first, then what was read, then the marks, the worst last.
  geometry.Add(map.rings, 0, capacity, kNotReadColour);
  geometry.Add(map.rings, s.start, s.start + s.read, kGoodColour);
  const struct {
    const std::vector<SurfaceRun>* runs;
    toolkit::TColor colour;
    const char* label;
  } marks[] = {{&s.weak, kWeakColour, "weak"},
               {&s.c2, kC2Colour, "C2"},
               {&s.unreadable, kUnreadableColour, "unreadable"}};
  for (const auto& m : marks)
    for (const SurfaceRun& r : *m.runs)
      geometry.Add(map.rings, r.first, r.first + r.blocks, m.colour);

  toolkit::TGraphModel& g = map.curve;
  g.Title = "Speed read";
  g.XRange.Title = head.cd ? "Position on the disc (minutes)" : "Position on the disc (GB)";
  g.XRange.Fixed = true;
  g.XRange.Min = MapPosition(static_cast<double>(s.start), head.cd);
  g.XRange.Max = MapPosition(static_cast<double>(s.start + s.blocks), head.cd);
  g.YRange.Title = "Speed (x)";
  toolkit::TGraphSeries speed{"Speed (x)", toolkit::RGB(0x1f, 0x4e, 0xb4), toolkit::gaLeft, {}};
  for (const SurfaceSpeed& p : s.speeds)
    speed.Points.push_back(
        {MapPosition(static_cast<double>(p.lba) + static_cast<double>(p.blocks) / 2.0, head.cd),
         p.speedX});
  g.Series.push_back(std::move(speed));
  // Each marked run a marker, named once a kind; a crowd of runs is not labelled at all.
  constexpr std::size_t kLabelledRuns = 12;
  const std::size_t total = s.weak.size() + s.c2.size() + s.unreadable.size();
  for (const auto& m : marks) {
    bool named = false;
    for (const SurfaceRun& r : *m.runs) {
      const std::string label = total <= kLabelledRuns && !named ? m.label : "";
      g.Markers.push_back({MapPosition(static_cast<double>(r.first), head.cd), label});
      named = true;
    }
  }
  if (head.layerBreak && *head.layerBreak > s.start && *head.layerBreak < s.start + s.blocks)
    g.Markers.push_back(
        {MapPosition(static_cast<double>(*head.layerBreak), head.cd), "layer break"});
  return map;
}

}  // namespace report::plot
