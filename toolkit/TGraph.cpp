#include "toolkit/TGraph.h"

#include <cmath>
#include <limits>
#include <utility>

namespace toolkit {

namespace {

struct Span {
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();
  void Take(double v) {
    if (!std::isfinite(v)) return;
    if (v < min) min = v;
    if (v > max) max = v;
  }
};

// The span of the x (or y) values of the series on `side` (x: of all series).
Span SpanOf(const TGraphModel& model, bool x, TGraphAxisSide side) {
  Span span;
  for (const TGraphSeries& s : model.Series) {
    if (!x && s.Axis != side) continue;
    for (const TGraphPoint& p : s.Points) {
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
      span.Take(x ? p.X : p.Y);
    }
  }
  if (x) {
    for (const TGraphMarker& m : model.Markers) span.Take(m.X);
  }
  return span;
}

}  // namespace

TAxisLayout TGraphModel::XAxis(int maxIntervals) const {
  const Span s = SpanOf(*this, true, gaLeft);
  if (maxIntervals <= 0) return LayoutAxis(s.min, s.max, XRange);
  TAxisRange range = XRange;
  range.MaxIntervals = maxIntervals;
  return LayoutAxis(s.min, s.max, range);
}

TAxisLayout TGraphModel::YAxis(int maxIntervals) const {
  const Span s = SpanOf(*this, false, gaLeft);
  if (maxIntervals <= 0) return LayoutAxis(s.min, s.max, YRange);
  TAxisRange range = YRange;
  range.MaxIntervals = maxIntervals;
  return LayoutAxis(s.min, s.max, range);
}

TAxisLayout TGraphModel::Y2Axis(int maxIntervals) const {
  const Span s = SpanOf(*this, false, gaRight);
  if (maxIntervals <= 0) return LayoutAxis(s.min, s.max, Y2Range);
  TAxisRange range = Y2Range;
  range.MaxIntervals = maxIntervals;
  return LayoutAxis(s.min, s.max, range);
}

bool TGraphModel::HasRightAxis() const {
  for (const TGraphSeries& s : Series) {
    if (s.Axis == gaRight && !s.Points.empty()) return true;
  }
  return false;
}

TGraph::TGraph(TComponent* owner) : TControl(owner) {
  SetDefaultColor(clWindow);
  SetBounds(0, 0, 320, 200);
}

void TGraph::SetModel(TGraphModel model) {
  if (model == model_) return;
  model_ = std::move(model);
  Changed(TChange::Graph);
}

int TGraph::AddSeries(const std::string& name, TColor color, TGraphAxisSide axis) {
  model_.Series.push_back(TGraphSeries{name, color, axis, {}});
  Changed(TChange::Graph);
  return static_cast<int>(model_.Series.size()) - 1;
}

void TGraph::AddPoint(int series, double x, double y) {
  if (series < 0 || series >= static_cast<int>(model_.Series.size())) return;
  model_.Series[static_cast<std::size_t>(series)].Points.push_back(TGraphPoint{x, y});
  Changed(TChange::Graph);
}

void TGraph::ClearPoints() {
  for (TGraphSeries& s : model_.Series) s.Points.clear();
  model_.Markers.clear();
  Changed(TChange::Graph);
}

void TGraph::SetTitle(const std::string& title) {
  if (title == model_.Title) return;
  model_.Title = title;
  Changed(TChange::Graph);
}

void TGraph::SetNotes(std::vector<std::string> notes) {
  if (notes == model_.Notes) return;
  model_.Notes = std::move(notes);
  Changed(TChange::Graph);
}

void TGraph::SetMarkers(std::vector<TGraphMarker> markers) {
  model_.Markers = std::move(markers);
  Changed(TChange::Graph);
}

void TGraph::SetXRange(const TAxisRange& range) {
  model_.XRange = range;
  Changed(TChange::Graph);
}

void TGraph::SetYRange(const TAxisRange& range) {
  model_.YRange = range;
  Changed(TChange::Graph);
}

void TGraph::SetY2Range(const TAxisRange& range) {
  model_.Y2Range = range;
  Changed(TChange::Graph);
}

}  // namespace toolkit
