#include "toolkit/GraphScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace toolkit {

namespace {

// More ticks than this means a degenerate range; the axis then shows its two ends.
constexpr int kTickLimit = 100;

}  // namespace

double NiceStep(double rough) {
  if (!(rough > 0) || !std::isfinite(rough)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double fraction = rough / power;
  // A small tolerance keeps 0.2 / 0.1 = 2.0000000000000004 at 2.
  for (double nice : {1.0, 2.0, 5.0}) {
    if (fraction <= nice * (1 + 1e-9)) return nice * power;
  }
  return 10 * power;
}

std::string TickLabel(double value, double step) {
  int decimals = 0;
  if (step > 0 && std::isfinite(step) && step < 1) {
    decimals = std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  }
  // Values that round to zero are written without a sign.
  const double scale = std::pow(10.0, decimals);
  if (std::round(std::fabs(value) * scale) == 0) value = 0;
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

TAxisLayout LayoutAxis(double dataMin, double dataMax, const TAxisRange& range) {
  TAxisLayout axis;
  axis.Title = range.Title;
  const int intervals = std::max(1, range.MaxIntervals);
  double lo = 0;
  double hi = 1;
  bool exact = false;  // the ends are given: ticks inside, not ends rounded outwards
  if (range.Fixed && std::isfinite(range.Min) && std::isfinite(range.Max) &&
      range.Min != range.Max) {
    lo = std::min(range.Min, range.Max);
    hi = std::max(range.Min, range.Max);
    exact = true;
  } else if (std::isfinite(dataMin) && std::isfinite(dataMax) && dataMin <= dataMax) {
    lo = range.FromZero ? std::min(0.0, dataMin) : dataMin;
    hi = range.FromZero ? std::max(0.0, dataMax) : dataMax;
    if (hi == lo) {
      // One value: a range one step either side (or up from zero).
      const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.1;
      if (!range.FromZero || lo != 0) lo -= pad;
      hi += pad;
      if (range.FromZero && dataMin >= 0) lo = std::max(lo, 0.0);
    }
    // Headroom: a curve at its maximum does not run along the top edge.
    hi += (hi - lo) * std::max(0.0, range.Headroom);
  }
  axis.Step = NiceStep((hi - lo) / intervals);
  if (exact) {
    axis.Min = lo;
    axis.Max = hi;
  } else {
    axis.Min = std::floor(lo / axis.Step + 1e-9) * axis.Step;
    axis.Max = std::ceil(hi / axis.Step - 1e-9) * axis.Step;
    if (axis.Max <= axis.Min) axis.Max = axis.Min + axis.Step;
  }
  const double first = std::ceil(axis.Min / axis.Step - 1e-9);
  const double last = std::floor(axis.Max / axis.Step + 1e-9);
  if (!(last - first < kTickLimit)) {
    axis.Ticks = {axis.Min, axis.Max};
    axis.Step = axis.Max - axis.Min;
  } else {
    for (double k = first; k <= last; ++k) axis.Ticks.push_back(k * axis.Step);
  }
  for (double t : axis.Ticks) axis.Labels.push_back(TickLabel(t, axis.Step));
  return axis;
}

}  // namespace toolkit
