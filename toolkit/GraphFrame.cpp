#include "toolkit/GraphFrame.h"

#include <algorithm>

namespace toolkit {
namespace {

// The least room between two labels of the position axis.
constexpr int kLabelGap = 8;

int WidestLabel(const TAxisLayout& axis, const std::function<int(const std::string&)>& width) {
  int widest = 0;
  for (const std::string& label : axis.Labels) widest = std::max(widest, width(label));
  return widest;
}

}  // namespace

TGraphFrame FrameGraph(const TGraphModel& model, int left, int top, int right, int bottom,
                       TGraphFont title, TGraphFont body,
                       const std::function<int(const std::string&)>& width) {
  TGraphFrame frame;
  const int line = body.height;

  // Title and notes, top left.
  int y = top + kGraphPad;
  if (!model.Title.empty()) {
    frame.titleBaseline = y + title.ascent;
    y += title.height + 2;
  }
  for (std::size_t i = 0; i < model.Notes.size(); ++i) {
    frame.noteBaselines.push_back(y + body.ascent);
    y += line;
  }

  // Legend: one entry per series, right aligned, on one row under the notes.
  frame.legendX.resize(model.Series.size());
  int legendX = right - kGraphPad;
  const int legendY = y + 2;
  for (std::size_t i = model.Series.size(); i-- > 0;) {
    legendX -= 22 + width(model.Series[i].Name);
    frame.legendX[i] = legendX;
    legendX -= 12;
  }
  frame.legendLineY = legendY + line / 2;
  frame.legendBaseline = legendY + body.ascent;
  y = legendY + line + kGraphPad;

  frame.x = model.XAxis();
  frame.y = model.YAxis();
  frame.hasRight = model.HasRightAxis();
  if (frame.hasRight) frame.y2 = model.Y2Axis();

  const int leftMargin = kGraphPad + (frame.y.Title.empty() ? 0 : line + 4) +
                         WidestLabel(frame.y, width) + kGraphTickLength + 4;
  const int rightMargin =
      frame.hasRight ? kGraphPad + (frame.y2.Title.empty() ? 0 : line + 4) +
                           WidestLabel(frame.y2, width) + kGraphTickLength + 4
                     : kGraphPad + (frame.x.Labels.empty() ? 0 : width(frame.x.Labels.back())) / 2;
  const int bottomMargin =
      kGraphPad + line + kGraphTickLength + 2 + (frame.x.Title.empty() ? 0 : line + 2);
  frame.left = left + leftMargin;
  frame.top = y;
  frame.right = right - rightMargin;
  frame.bottom = bottom - bottomMargin;

  // In a small graph the ticks thin out until their labels stand apart.
  const auto xCrowded = [&] {
    int needed = 0;
    for (const std::string& label : frame.x.Labels) needed += width(label) + kLabelGap;
    return needed > frame.right - frame.left;
  };
  for (int n = model.XRange.MaxIntervals - 1; n >= 1 && xCrowded(); --n) frame.x = model.XAxis(n);
  const auto yCrowded = [&](const TAxisLayout& axis) {
    return static_cast<int>(axis.Labels.size()) * (line + 2) > frame.bottom - frame.top;
  };
  for (int n = model.YRange.MaxIntervals - 1; n >= 1 && yCrowded(frame.y); --n)
    frame.y = model.YAxis(n);
  for (int n = model.Y2Range.MaxIntervals - 1; frame.hasRight && n >= 1 && yCrowded(frame.y2); --n)
    frame.y2 = model.Y2Axis(n);
  return frame;
}

}  // namespace toolkit
