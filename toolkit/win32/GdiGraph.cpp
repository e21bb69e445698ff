#include "toolkit/win32/GdiGraph.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "toolkit/GraphFrame.h"

namespace toolkit::win32 {

namespace {

constexpr COLORREF kGrid = 0xE0E0E0;
constexpr COLORREF kAxis = 0x404040;
constexpr COLORREF kMarker = 0x6E6E6E;
constexpr COLORREF kNote = 0x303030;
constexpr COLORREF kWhite = 0xFFFFFF;

// Maps axis values to whole pixels.
struct Scale {
  TGraphScale scale;
  int operator()(double v) const { return static_cast<int>(std::lround(scale(v))); }
};

// A pen selected into a device context for the life of the object.
class PenScope {
 public:
  PenScope(HDC dc, HPEN pen) : dc_(dc), pen_(pen), previous_(SelectObject(dc, pen)) {}
  ~PenScope() {
    SelectObject(dc_, previous_);
    DeleteObject(pen_);
  }
  PenScope(const PenScope&) = delete;
  PenScope& operator=(const PenScope&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ previous_;
};

HPEN SolidPen(COLORREF colour, int width) {
  LOGBRUSH brush{BS_SOLID, colour, 0};
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                      static_cast<DWORD>(width), &brush, 0, nullptr);
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// Text with its baseline's left end (or centre, `align` TA_CENTER) at (x, y).
void Text(HDC dc, int x, int y, const std::string& text, COLORREF colour, UINT align = TA_LEFT) {
  const std::string shown = Shown(text);
  SetTextColor(dc, colour);
  SetTextAlign(dc, align | TA_BASELINE);
  TextOutA(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
}

int Width(HDC dc, HFONT font, const std::string& text) {
  return static_cast<int>(TextExtent(dc, font, text).cx);
}

// The colour of the first series on `side` with points (axis labels take it).
COLORREF SideColour(const TGraphModel& model, TGraphAxisSide side) {
  for (const TGraphSeries& s : model.Series)
    if (s.Axis == side && !s.Points.empty()) return ToColorRef(s.Color);
  return kAxis;
}

}  // namespace

void PaintGraph(HDC dc, const RECT& area, const TGraphModel& model, const TFont& font,
                GdiResources& gdi) {
  const int saved = SaveDC(dc);
  HBRUSH white = CreateSolidBrush(kWhite);
  FillRect(dc, &area, white);
  DeleteObject(white);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  SetBkMode(dc, TRANSPARENT);

  const int pixels = font.Height < 0 ? -font.Height : (font.Height == 0 ? 11 : font.Height);
  TFontStyles bold;
  bold.Include(fsBold);
  HFONT titleFont = gdi.Font(font.Name, -std::max(1, pixels * 5 / 4), font.Style + bold);
  HFONT base = gdi.Font(font.Name, -pixels, font.Style);
  const TextMetrics titleMetrics = MetricsOf(dc, titleFont);
  const TextMetrics metrics = MetricsOf(dc, base);
  const int line = metrics.height;

  const TGraphFrame frame =
      FrameGraph(model, area.left, area.top, area.right - 1, area.bottom - 1,
                 TGraphFont{titleMetrics.height, titleMetrics.ascent},
                 TGraphFont{metrics.height, metrics.ascent},
                 [&](const std::string& text) { return Width(dc, base, text); });

  // Title and notes, top left.
  if (!model.Title.empty()) {
    SelectObject(dc, titleFont);
    Text(dc, area.left + kGraphPad, frame.titleBaseline, model.Title, 0);
  }
  SelectObject(dc, base);
  for (std::size_t i = 0; i < model.Notes.size(); ++i)
    Text(dc, area.left + kGraphPad, frame.noteBaselines[i], model.Notes[i], kNote);

  // Legend: one entry per series, right aligned, on one row under the notes.
  for (std::size_t i = model.Series.size(); i-- > 0;) {
    const int x = frame.legendX[i];
    {
      PenScope pen(dc, SolidPen(ToColorRef(model.Series[i].Color), 2));
      Line(dc, x, frame.legendLineY, x + 16, frame.legendLineY);
    }
    Text(dc, x + 20, frame.legendBaseline, model.Series[i].Name, kNote);
  }

  if (!frame.Fits()) {
    RestoreDC(dc, saved);
    return;
  }
  const RECT plot{frame.left, frame.top, frame.right, frame.bottom};
  const TAxisLayout& xAxis = frame.x;
  const TAxisLayout& yAxis = frame.y;
  const TAxisLayout& y2Axis = frame.y2;
  const bool right = frame.hasRight;
  const int centreX = (plot.left + plot.right) / 2, centreY = (plot.top + plot.bottom) / 2;
  const Scale sx{frame.X()};
  const Scale sy{frame.Y()};
  const Scale sy2{frame.Y2()};

  {  // Grid.
    PenScope pen(dc, CreatePen(PS_SOLID, 1, kGrid));
    for (double t : xAxis.Ticks) Line(dc, sx(t), plot.top, sx(t), plot.bottom);
    for (double t : yAxis.Ticks) Line(dc, plot.left, sy(t), plot.right, sy(t));
  }

  {  // Axes, ticks and labels.
    PenScope pen(dc, CreatePen(PS_SOLID, 1, kAxis));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot.left, plot.top, plot.right + 1, plot.bottom + 1);
    for (std::size_t i = 0; i < xAxis.Ticks.size(); ++i) {
      const int px = sx(xAxis.Ticks[i]);
      Line(dc, px, plot.bottom, px, plot.bottom + kGraphTickLength);
      Text(dc, px, plot.bottom + kGraphTickLength + 2 + metrics.ascent, xAxis.Labels[i], kAxis,
           TA_CENTER);
    }
    if (!xAxis.Title.empty()) {
      Text(dc, centreX, plot.bottom + kGraphTickLength + 4 + line + metrics.ascent, xAxis.Title,
           kAxis, TA_CENTER);
    }
  }
  auto drawYAxis = [&](const TAxisLayout& axis, const Scale& s, bool onRight, COLORREF colour) {
    PenScope pen(dc, CreatePen(PS_SOLID, 1, colour));
    const int edge = onRight ? plot.right : plot.left;
    const int out = onRight ? kGraphTickLength : -kGraphTickLength;
    int widest = 0;
    for (std::size_t i = 0; i < axis.Ticks.size(); ++i) {
      const int py = s(axis.Ticks[i]);
      Line(dc, edge, py, edge + out, py);
      const int width = Width(dc, base, axis.Labels[i]);
      widest = std::max(widest, width);
      const int lx = onRight ? edge + kGraphTickLength + 3 : edge - kGraphTickLength - 3 - width;
      Text(dc, lx, py + metrics.ascent / 2 - 1, axis.Labels[i], colour);
    }
    if (!axis.Title.empty()) {
      // Turned a quarter: reading upwards on the left, downwards on the right.
      const int cx = onRight ? edge + kGraphTickLength + 4 + widest + line / 2
                             : edge - kGraphTickLength - 4 - widest - line / 2;
      SelectObject(dc, gdi.Font(font.Name, -pixels, font.Style, onRight ? 2700 : 900));
      Text(dc, onRight ? cx - metrics.ascent / 2 : cx + metrics.ascent / 2, centreY, axis.Title,
           colour, TA_CENTER);
      SelectObject(dc, base);
    }
  };
  drawYAxis(yAxis, sy, false, SideColour(model, gaLeft));
  if (right) drawYAxis(y2Axis, sy2, true, SideColour(model, gaRight));

  SelectClipRgn(dc, nullptr);
  IntersectClipRect(dc, plot.left - 1, plot.top - 1, plot.right + 2, plot.bottom + 2);
  // Markers: dashed lines with their label at the top.
  for (const TGraphMarker& m : model.Markers) {
    if (!std::isfinite(m.X)) continue;
    const int px = sx(m.X);
    {
      PenScope pen(dc, CreatePen(PS_DASH, 1, kMarker));
      Line(dc, px, plot.top, px, plot.bottom);
    }
    Text(dc, px + 3, plot.top + metrics.ascent + 2, m.Label, kMarker);
  }

  // Series: a line through the points; a point that is not a number breaks it.
  for (const TGraphSeries& s : model.Series) {
    const Scale& ys = s.Axis == gaRight ? sy2 : sy;
    PenScope pen(dc, SolidPen(ToColorRef(s.Color), 2));
    std::vector<POINT> run;
    auto flush = [&] {
      if (run.size() == 1) SetPixel(dc, run.front().x, run.front().y, ToColorRef(s.Color));
      if (run.size() > 1) Polyline(dc, run.data(), static_cast<int>(run.size()));
      run.clear();
    };
    for (const TGraphPoint& p : s.Points) {
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
        flush();
        continue;
      }
      run.push_back(POINT{sx(p.X), ys(p.Y)});
    }
    flush();
  }
  RestoreDC(dc, saved);
}

}  // namespace toolkit::win32
