// The axes of a graph: a range that covers the data and ends on whole steps, ticks at
// 1, 2 or 5 times a power of ten, and their labels with as many decimals as the step needs.
#pragma once

#include <string>
#include <vector>

namespace toolkit {

// How an axis chooses its range.
struct TAxisRange {
  std::string Title;
  bool Fixed = false;    // use Min..Max as given, else follow the data
  double Min = 0;        // with Fixed
  double Max = 0;        // with Fixed
  bool FromZero = true;  // a range that follows the data starts at zero (or below it)
  int MaxIntervals = 8;  // at most this many tick intervals
  // Room above the highest value when following the data, as a part of its span (so that
  // a curve at its maximum does not run along the top edge).
  double Headroom = 0.05;
  bool operator==(const TAxisRange&) const = default;
};

// An axis as drawn: its range, the tick values inside it, one label per tick.
struct TAxisLayout {
  std::string Title;
  double Min = 0;
  double Max = 1;
  double Step = 1;
  std::vector<double> Ticks;
  std::vector<std::string> Labels;
};

// The step of 1, 2 or 5 times a power of ten nearest above `rough` (> 0).
double NiceStep(double rough);
// The axis for data spanning dataMin..dataMax (no data: pass dataMin > dataMax).
// Non-finite bounds count as no data.
TAxisLayout LayoutAxis(double dataMin, double dataMax, const TAxisRange& range);
// A tick value written with the decimals its step needs ("0.5", "12", "-0" never).
std::string TickLabel(double value, double step);

}  // namespace toolkit
