#include "toolkit/qt/GraphPainter.h"

#include <QFontMetrics>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "toolkit/qt/QtConvert.h"

namespace toolkit::qt {

namespace {

const QColor kGrid(224, 224, 224);
const QColor kAxis(64, 64, 64);
const QColor kMarker(110, 110, 110);
const QColor kNote(48, 48, 48);
constexpr int kPad = 8;
constexpr int kTickLength = 4;

// Maps axis values to pixels along [from, to].
struct Scale {
  double min, max;
  double from, to;
  double operator()(double v) const {
    const double span = max - min;
    return span == 0 ? from : from + (v - min) / span * (to - from);
  }
};

int WidestLabel(const QFontMetrics& metrics, const TAxisLayout& axis) {
  int widest = 0;
  for (const std::string& label : axis.Labels)
    widest = std::max(widest, metrics.horizontalAdvance(ToQString(label)));
  return widest;
}

// The series on `side` with points, first one's colour (axis labels take it).
QColor SideColour(const TGraphModel& model, TGraphAxisSide side) {
  for (const TGraphSeries& s : model.Series)
    if (s.Axis == side && !s.Points.empty()) return ToQColor(s.Color);
  return kAxis;
}

void DrawRotated(QPainter& painter, QPointF centre, double degrees, const QString& text) {
  painter.save();
  painter.translate(centre);
  painter.rotate(degrees);
  const QFontMetrics metrics(painter.font());
  painter.drawText(QPointF(-metrics.horizontalAdvance(text) / 2.0, metrics.ascent() / 2.0), text);
  painter.restore();
}

}  // namespace

void PaintGraph(QPainter& painter, const QRect& area, const TGraphModel& model, const QFont& font) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(area, Qt::white);
  painter.setClipRect(area);

  QFont titleFont = font;
  titleFont.setBold(true);
  titleFont.setPixelSize(std::max(1, font.pixelSize() > 0 ? font.pixelSize() * 5 / 4 : 14));
  const QFontMetrics titleMetrics(titleFont);
  const QFontMetrics metrics(font);
  const int line = metrics.height();

  // Title and notes, top left.
  int y = area.top() + kPad;
  if (!model.Title.empty()) {
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(area.left() + kPad, y + titleMetrics.ascent()), ToQString(model.Title));
    y += titleMetrics.height() + 2;
  }
  painter.setFont(font);
  painter.setPen(kNote);
  for (const std::string& note : model.Notes) {
    painter.drawText(QPoint(area.left() + kPad, y + metrics.ascent()), ToQString(note));
    y += line;
  }

  // Legend: one line per series, right aligned in the head, or one row under the notes.
  int legendX = area.right() - kPad;
  const int legendY = y + 2;
  for (auto it = model.Series.rbegin(); it != model.Series.rend(); ++it) {
    const QString name = ToQString(it->Name);
    const int width = 22 + metrics.horizontalAdvance(name);
    legendX -= width;
    painter.setPen(QPen(ToQColor(it->Color), 2));
    painter.drawLine(legendX, legendY + line / 2, legendX + 16, legendY + line / 2);
    painter.setPen(kNote);
    painter.drawText(QPoint(legendX + 20, legendY + metrics.ascent()), name);
    legendX -= 12;
  }
  y = legendY + line + kPad;

  const TAxisLayout xAxis = model.XAxis();
  const TAxisLayout yAxis = model.YAxis();
  const bool right = model.HasRightAxis();
  const TAxisLayout y2Axis = right ? model.Y2Axis() : TAxisLayout{};

  const int leftMargin =
      kPad + (yAxis.Title.empty() ? 0 : line + 4) + WidestLabel(metrics, yAxis) + kTickLength + 4;
  const int rightMargin =
      right ? kPad + (y2Axis.Title.empty() ? 0 : line + 4) + WidestLabel(metrics, y2Axis) +
                  kTickLength + 4
            : kPad + metrics.horizontalAdvance(
                         ToQString(xAxis.Labels.empty() ? std::string() : xAxis.Labels.back())) /
                         2;
  const int bottomMargin = kPad + line + kTickLength + 2 + (xAxis.Title.empty() ? 0 : line + 2);
  const QRect plot(QPoint(area.left() + leftMargin, y),
                   QPoint(area.right() - rightMargin, area.bottom() - bottomMargin));
  if (plot.width() < 10 || plot.height() < 10) {
    painter.restore();
    return;
  }

  const Scale sx{xAxis.Min, xAxis.Max, double(plot.left()), double(plot.right())};
  const Scale sy{yAxis.Min, yAxis.Max, double(plot.bottom()), double(plot.top())};
  const Scale sy2{y2Axis.Min, y2Axis.Max, double(plot.bottom()), double(plot.top())};

  // Grid.
  painter.setPen(QPen(kGrid, 1));
  for (double t : xAxis.Ticks)
    painter.drawLine(QPointF(sx(t), plot.top()), QPointF(sx(t), plot.bottom()));
  for (double t : yAxis.Ticks)
    painter.drawLine(QPointF(plot.left(), sy(t)), QPointF(plot.right(), sy(t)));

  // Axes, ticks and labels.
  painter.setPen(QPen(kAxis, 1));
  painter.drawRect(plot);
  for (std::size_t i = 0; i < xAxis.Ticks.size(); ++i) {
    const double px = sx(xAxis.Ticks[i]);
    painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + kTickLength));
    const QString label = ToQString(xAxis.Labels[i]);
    painter.drawText(QPointF(px - metrics.horizontalAdvance(label) / 2.0,
                             plot.bottom() + kTickLength + 2 + metrics.ascent()),
                     label);
  }
  if (!xAxis.Title.empty()) {
    const QString title = ToQString(xAxis.Title);
    painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(title) / 2.0,
                             plot.bottom() + kTickLength + 4 + line + metrics.ascent()),
                     title);
  }
  auto drawYAxis = [&](const TAxisLayout& axis, const Scale& s, bool onRight, QColor colour) {
    painter.setPen(QPen(colour, 1));
    const int edge = onRight ? plot.right() : plot.left();
    const int out = onRight ? kTickLength : -kTickLength;
    int widest = 0;
    for (std::size_t i = 0; i < axis.Ticks.size(); ++i) {
      const double py = s(axis.Ticks[i]);
      painter.drawLine(QPointF(edge, py), QPointF(edge + out, py));
      const QString label = ToQString(axis.Labels[i]);
      const int width = metrics.horizontalAdvance(label);
      widest = std::max(widest, width);
      const double lx = onRight ? edge + kTickLength + 3 : edge - kTickLength - 3 - width;
      painter.drawText(QPointF(lx, py + metrics.ascent() / 2.0 - 1), label);
    }
    if (!axis.Title.empty()) {
      const double cx = onRight ? edge + kTickLength + 4 + widest + line / 2.0
                                : edge - kTickLength - 4 - widest - line / 2.0;
      DrawRotated(painter, QPointF(cx, plot.center().y()), onRight ? 90 : -90,
                  ToQString(axis.Title));
    }
  };
  drawYAxis(yAxis, sy, false, SideColour(model, gaLeft));
  if (right) drawYAxis(y2Axis, sy2, true, SideColour(model, gaRight));

  painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
  // Markers: dashed lines with their label at the top.
  for (const TGraphMarker& m : model.Markers) {
    if (!std::isfinite(m.X)) continue;
    const double px = sx(m.X);
    painter.setPen(QPen(kMarker, 1, Qt::DashLine));
    painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
    painter.setPen(kMarker);
    painter.drawText(QPointF(px + 3, plot.top() + metrics.ascent() + 2), ToQString(m.Label));
  }

  // Series: a line through the points; a point that is not a number breaks it.
  for (const TGraphSeries& s : model.Series) {
    const Scale& ys = s.Axis == gaRight ? sy2 : sy;
    painter.setPen(QPen(ToQColor(s.Color), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    QPolygonF run;
    auto flush = [&] {
      if (run.size() == 1) painter.drawPoint(run.front());
      if (run.size() > 1) painter.drawPolyline(run);
      run.clear();
    };
    for (const TGraphPoint& p : s.Points) {
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
        flush();
        continue;
      }
      run << QPointF(sx(p.X), ys(p.Y));
    }
    flush();
  }
  painter.restore();
}

}  // namespace toolkit::qt
