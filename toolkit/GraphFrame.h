// Where the parts of a graph go in its area: the title and notes, the legend's row, the plot
// and the axes as drawn. The window back ends measure text in their own way and draw
// what this lays out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/GraphScale.h"
#include "toolkit/TGraph.h"

namespace toolkit {

inline constexpr int kGraphPad = 8;
inline constexpr int kGraphTickLength = 4;

// A font's line height and ascent, in pixels.
struct TGraphFont {
  int height = 0;
  int ascent = 0;
};

// Maps axis values to pixels along [from, to].
struct TGraphScale {
  double min = 0, max = 1;
  double from = 0, to = 1;
  double operator()(double v) const {
    const double span = max - min;
    return span == 0 ? from : from + (v - min) / span * (to - from);
  }
};

struct TGraphFrame {
  int titleBaseline = 0;           // when the model has a title
  std::vector<int> noteBaselines;  // one per note
  // One per series, in the model's order: the entry's line runs from x to x + 16 at
  // legendLineY, its name starts at x + 20 on legendBaseline.
  std::vector<int> legendX;
  int legendLineY = 0;
  int legendBaseline = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // the plot, its edges included
  TAxisLayout x, y, y2;
  bool hasRight = false;

  // Too small a plot is not drawn.
  bool Fits() const { return right - left >= 10 && bottom - top >= 10; }
  TGraphScale X() const { return {x.Min, x.Max, double(left), double(right)}; }
  TGraphScale Y() const { return {y.Min, y.Max, double(bottom), double(top)}; }
  TGraphScale Y2() const { return {y2.Min, y2.Max, double(bottom), double(top)}; }
};

// The area runs from (left, top) to (right, bottom), edges included. `width` measures a text in
// the body font.
TGraphFrame FrameGraph(const TGraphModel& model, int left, int top, int right, int bottom,
                       TGraphFont title, TGraphFont body,
                       const std::function<int(const std::string&)>& width);

}  // namespace toolkit
