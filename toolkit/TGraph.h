// A graph: series of (x, y) points against a common x axis, each on the left or the right
// y axis, with vertical markers, a title and lines of notes under it. The model lays the
// axes out (ranges, ticks, labels); a view only draws what the layout says.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/GraphScale.h"

namespace toolkit {

enum TGraphAxisSide { gaLeft, gaRight };

struct TGraphPoint {
  double X = 0;
  double Y = 0;
  bool operator==(const TGraphPoint&) const = default;
};

struct TGraphSeries {
  std::string Name;
  TColor Color = clNavy;
  TGraphAxisSide Axis = gaLeft;
  std::vector<TGraphPoint> Points;
  bool operator==(const TGraphSeries&) const = default;
};

// A vertical line across the plot area at X, labelled at its top.
struct TGraphMarker {
  double X = 0;
  std::string Label;
  bool operator==(const TGraphMarker&) const = default;
};

// The x axis runs to the last point: no room is left above it.
inline TAxisRange NoHeadroom() {
  TAxisRange range;
  range.Headroom = 0;
  return range;
}

// What a graph shows; also drawn on its own (pictures written without a window).
struct TGraphModel {
  std::string Title;
  std::vector<std::string> Notes;
  TAxisRange XRange = NoHeadroom();
  TAxisRange YRange;
  TAxisRange Y2Range;
  std::vector<TGraphSeries> Series;
  std::vector<TGraphMarker> Markers;

  // The axes for the points now held (non-finite points are left out).
  TAxisLayout XAxis(int maxIntervals = 0) const;
  TAxisLayout YAxis(int maxIntervals = 0) const;
  TAxisLayout Y2Axis(int maxIntervals = 0) const;
  // Whether a series on the right axis has points (the right axis is drawn only then).
  bool HasRightAxis() const;
  bool operator==(const TGraphModel&) const = default;
};

class TGraph : public TControl {
 public:
  explicit TGraph(TComponent* owner);

  const TGraphModel& Model() const { return model_; }
  // Every change is reported to the view at once (TChange::Graph).
  void SetModel(TGraphModel model);
  int AddSeries(const std::string& name, TColor color, TGraphAxisSide axis);
  // Appends a point to series `series` (ignored when there is no such series).
  void AddPoint(int series, double x, double y);
  // Removes every series' points and the markers; series, ranges and titles stay.
  void ClearPoints();
  void SetTitle(const std::string& title);
  void SetNotes(std::vector<std::string> notes);
  void SetMarkers(std::vector<TGraphMarker> markers);
  void SetXRange(const TAxisRange& range);
  void SetYRange(const TAxisRange& range);
  void SetY2Range(const TAxisRange& range);

  const char* ClassName() const override { return "TGraph"; }

 private:
  TGraphModel model_;
};

}  // namespace toolkit
