// The plot writer on Qt's GUI module: QImage and QPainter for PNG, QSvgGenerator for SVG.
#include "report/plot/PlotWriter.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include "report/OutputFile.h"
#include "toolkit/qt/GraphPainter.h"
#include "toolkit/qt/QtConvert.h"

namespace report::plot {

namespace {

QFont PlotFont() {
  toolkit::TFont font;
  font.Height = -13;
  return toolkit::qt::ToQFont(font);
}

// Paints a picture onto a painter's `area`.
using Painting = std::function<void(QPainter&, const QRect&)>;

// The picture's bytes in `bytes`; empty on success, else what went wrong.
std::string RenderPng(const Painting& paint, QByteArray& bytes) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paint(painter, image.rect());
  }
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
    return "the PNG image could not be made";
  return {};
}

std::string RenderSvg(const Painting& paint, const std::string& title, QByteArray& bytes) {
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return "the SVG image could not be made";
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(kPlotWidth, kPlotHeight));
  svg.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
  svg.setResolution(96);
  svg.setTitle(toolkit::qt::ToQString(title));
  QPainter painter;
  if (!painter.begin(&svg)) return "the SVG image could not be made";
  paint(painter, QRect(0, 0, kPlotWidth, kPlotHeight));
  painter.end();
  return {};
}

QColor Colour(toolkit::TColor c) {
  return toolkit::qt::ToQColor(c);
}

// The map: title and notes, the disc(s) on the left, the speed curve on the right.
void PaintSurfaceMap(QPainter& painter, const QRect& area, const SurfaceMap& map) {
  painter.setRenderHint(QPainter::Antialiasing);
  QFont title = PlotFont();
  title.setBold(true);
  title.setPixelSize(16);
  painter.setFont(title);
  painter.setPen(Qt::black);
  painter.drawText(QPoint(area.left() + 8, area.top() + 22), toolkit::qt::ToQString(map.title));
  painter.setFont(PlotFont());
  int y = area.top() + 42;
  for (const std::string& note : map.notes) {
    painter.drawText(QPoint(area.left() + 8, y), toolkit::qt::ToQString(note));
    y += 17;
  }
  const int top = y + 6;
  const int discs = std::max(map.layers, 1);
  const int size = std::min((area.height() - top - 40), discs == 1 ? 400 : 205);
  for (int layer = 0; layer < discs; ++layer) {
    const QPointF centre(area.left() + 12 + size / 2.0 + layer * (size + 12), top + size / 2.0);
    const double scale = size / 2.0 / kOuterRadiusMm;
    painter.setPen(Qt::NoPen);
    for (const MapRing& r : map.rings) {
      if (r.layer != layer) continue;
      QPainterPath ring;
      ring.setFillRule(Qt::OddEvenFill);
      ring.addEllipse(centre, r.outerMm * scale, r.outerMm * scale);
      ring.addEllipse(centre, r.innerMm * scale, r.innerMm * scale);
      painter.fillPath(ring, Colour(r.colour));
    }
    painter.setPen(QPen(Qt::gray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, kOuterRadiusMm * scale, kOuterRadiusMm * scale);
    painter.drawEllipse(centre, kInnerRadiusMm * scale, kInnerRadiusMm * scale);
    painter.drawEllipse(centre, 7.5 * scale, 7.5 * scale);  // the centre hole
    if (discs > 1) {
      painter.setPen(Qt::black);
      painter.drawText(QRectF(centre.x() - size / 2.0, top + size + 2, size, 18), Qt::AlignHCenter,
                       QStringLiteral("layer %1").arg(layer));
    }
  }
  // The legend under the discs.
  const struct {
    toolkit::TColor colour;
    const char* name;
  } legend[] = {{kGoodColour, "good"},
                {kWeakColour, "weak"},
                {kC2Colour, "C2"},
                {kUnreadableColour, "unreadable"},
                {kNotReadColour, "not read"}};
  int x = area.left() + 12;
  const int legendY = top + size + (discs > 1 ? 26 : 10);
  for (const auto& l : legend) {
    painter.fillRect(QRect(x, legendY, 12, 12), Colour(l.colour));
    painter.setPen(Qt::black);
    painter.drawText(QPoint(x + 16, legendY + 11), QString::fromLatin1(l.name));
    x += 22 + painter.fontMetrics().horizontalAdvance(QString::fromLatin1(l.name));
  }
  const int left = area.left() + 24 + discs * (size + 12);
  toolkit::qt::PaintGraph(painter,
                          QRect(left, top - 10, area.right() - left - 4, area.bottom() - top + 6),
                          map.curve, PlotFont());
}

// Whether the platform plugin Qt is about to load can be found: without it Qt ends the
// program instead of failing. A list of platforms to try is left to Qt.
bool PlatformPluginFound() {
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0);
  if (platform.isEmpty() || platform.contains(QLatin1Char(';'))) return true;
  QStringList dirs;
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM_PLUGIN_PATH"))
    dirs << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  for (const QString& dir :
       qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    dirs << dir + QStringLiteral("/platforms");
  dirs << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
  const QStringList names{QStringLiteral("libq") + platform + QStringLiteral(".so"),
                          QStringLiteral("q") + platform + QStringLiteral(".dll")};
  for (const QString& dir : dirs) {
    if (!QDir(dir).entryList(names, QDir::Files).isEmpty()) return true;
  }
  return false;
}

}  // namespace

bool PlotAvailable() {
  return true;
}

namespace {

// Writes what `paint` draws to `path`, as its extension asks.
std::string WritePicture(const Painting& paint, const std::string& title, const std::string& path) {
  const PictureFormat format = PictureFormatOf(path);
  if (format == PictureFormat::None) return "a picture's name must end in .png or .svg: " + path;
  // A program that shows windows runs Qt already; otherwise it is started for this picture
  // alone, offscreen unless the user chose a platform, and stopped again.
  std::unique_ptr<QGuiApplication> own;
  if (QCoreApplication::instance() == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!PlatformPluginFound()) {
      return "pictures need Qt's \"" + qEnvironmentVariable("QT_QPA_PLATFORM").toStdString() +
             "\" platform plugin, which is not installed";
    }
    static int argc = 1;
    static char name[] = "velmark";
    static char* argv[] = {name, nullptr};
    own = std::make_unique<QGuiApplication>(argc, argv);
  }
  // The picture is made whole in memory, then replaces what stood at the path in one step.
  QByteArray bytes;
  const std::string error =
      format == PictureFormat::Png ? RenderPng(paint, bytes) : RenderSvg(paint, title, bytes);
  if (!error.empty()) return error + ": " + path + " is not written";
  return WriteOutputFile(path, bytes.toStdString());
}

}  // namespace

std::string WritePlot(const toolkit::TGraphModel& graph, const std::string& path) {
  return WritePicture(
      [&graph](QPainter& painter, const QRect& area) {
        toolkit::qt::PaintGraph(painter, area, graph, PlotFont());
      },
      graph.Title, path);
}

std::string WriteSurfaceMap(const SurfaceMap& map, const std::string& path) {
  return WritePicture(
      [&map](QPainter& painter, const QRect& area) { PaintSurfaceMap(painter, area, map); },
      map.title, path);
}

}  // namespace report::plot
