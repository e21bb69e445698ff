// The plot writer on Qt's GUI module: QImage and QPainter for PNG, QSvgGenerator for SVG.
#include "report/plot/PlotWriter.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdlib>
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

// The picture's bytes in `bytes`; empty on success, else what went wrong.
std::string RenderPng(const toolkit::TGraphModel& graph, QByteArray& bytes) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    toolkit::qt::PaintGraph(painter, image.rect(), graph, PlotFont());
  }
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
    return "the PNG image could not be made";
  return {};
}

std::string RenderSvg(const toolkit::TGraphModel& graph, QByteArray& bytes) {
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return "the SVG image could not be made";
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(kPlotWidth, kPlotHeight));
  svg.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
  svg.setResolution(96);
  svg.setTitle(toolkit::qt::ToQString(graph.Title));
  QPainter painter;
  if (!painter.begin(&svg)) return "the SVG image could not be made";
  toolkit::qt::PaintGraph(painter, QRect(0, 0, kPlotWidth, kPlotHeight), graph, PlotFont());
  painter.end();
  return {};
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

std::string WritePlot(const toolkit::TGraphModel& graph, const std::string& path) {
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
      format == PictureFormat::Png ? RenderPng(graph, bytes) : RenderSvg(graph, bytes);
  if (!error.empty()) return error + ": " + path + " is not written";
  return WriteOutputFile(path, bytes.toStdString());
}

}  // namespace report::plot
