#include "toolkit/qt/GraphPainter.h"

#include <QFontMetrics>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "toolkit/GraphFrame.h"
#include "toolkit/qt/QtConvert.h"

namespace toolkit::qt {

namespace {

const QColor kGrid(224, 224, 224);
const QColor kAxis(64, 64, 64);
const QColor kMarker(110, 110, 110);
const QColor kNote(48, 48, 48);

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

  const TGraphFrame frame = FrameGraph(
      model, area.left(), area.top(), area.right(), area.bottom(),
      TGraphFont{titleMetrics.height(), titleMetrics.ascent()},
      TGraphFont{metrics.height(), metrics.ascent()},
      [&](const std::string& text) { return metrics.horizontalAdvance(ToQString(text)); });

  // Title and notes, top left.
  if (!model.Title.empty()) {
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(area.left() + kGraphPad, frame.titleBaseline), ToQString(model.Title));
  }
  painter.setFont(font);
  painter.setPen(kNote);
  for (std::size_t i = 0; i < model.Notes.size(); ++i)
    painter.drawText(QPoint(area.left() + kGraphPad, frame.noteBaselines[i]),
                     ToQString(model.Notes[i]));

  // Legend: one entry per series, right aligned, on one row under the notes.
  for (std::size_t i = model.Series.size(); i-- > 0;) {
    const int x = frame.legendX[i];
    painter.setPen(QPen(ToQColor(model.Series[i].Color), 2));
    painter.drawLine(x, frame.legendLineY, x + 16, frame.legendLineY);
    painter.setPen(kNote);
    painter.drawText(QPoint(x + 20, frame.legendBaseline), ToQString(model.Series[i].Name));
  }

  if (!frame.Fits()) {
    painter.restore();
    return;
  }
  const QRect plot(QPoint(frame.left, frame.top), QPoint(frame.right, frame.bottom));
  const TAxisLayout& xAxis = frame.x;
  const TAxisLayout& yAxis = frame.y;
  const TAxisLayout& y2Axis = frame.y2;
  const bool right = frame.hasRight;
  const TGraphScale sx = frame.X();
  const TGraphScale sy = frame.Y();
  const TGraphScale sy2 = frame.Y2();

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
    painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + kGraphTickLength));
    const QString label = ToQString(xAxis.Labels[i]);
    painter.drawText(QPointF(px - metrics.horizontalAdvance(label) / 2.0,
                             plot.bottom() + kGraphTickLength + 2 + metrics.ascent()),
                     label);
  }
  if (!xAxis.Title.empty()) {
    const QString title = ToQString(xAxis.Title);
    painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(title) / 2.0,
                             plot.bottom() + kGraphTickLength + 4 + line + metrics.ascent()),
                     title);
  }
  auto drawYAxis = [&](const TAxisLayout& axis, const TGraphScale& s, bool onRight, QColor colour) {
    painter.setPen(QPen(colour, 1));
    const int edge = onRight ? plot.right() : plot.left();
    const int out = onRight ? kGraphTickLength : -kGraphTickLength;
    int widest = 0;
    for (std::size_t i = 0; i < axis.Ticks.size(); ++i) {
      const double py = s(axis.Ticks[i]);
      painter.drawLine(QPointF(edge, py), QPointF(edge + out, py));
      const QString label = ToQString(axis.Labels[i]);
      const int width = metrics.horizontalAdvance(label);
      widest = std::max(widest, width);
      const double lx = onRight ? edge + kGraphTickLength + 3 : edge - kGraphTickLength - 3 - width;
      painter.drawText(QPointF(lx, py + metrics.ascent() / 2.0 - 1), label);
    }
    if (!axis.Title.empty()) {
      const double cx = onRight ? edge + kGraphTickLength + 4 + widest + line / 2.0
                                : edge - kGraphTickLength - 4 - widest - line / 2.0;
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
    const TGraphScale& ys = s.Axis == gaRight ? sy2 : sy;
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
