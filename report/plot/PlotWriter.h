// Pictures of a graph: PNG or SVG, chosen by the file's extension. Drawn with Qt's GUI
// module, which is started only here and only when a picture is asked for (on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise); a build without Qt has this
// interface too and says that pictures are not available.
#pragma once

#include <string>

#include "report/ScanRecord.h"
#include "report/plot/CurveGraph.h"
#include "report/plot/SurfaceMap.h"
#include "toolkit/TGraph.h"

namespace report::plot {

enum class PictureFormat { None, Png, Svg };

// The format an output path asks for by its extension (".png", ".svg", any case).
PictureFormat PictureFormatOf(const std::string& path);

// Whether this build can draw pictures.
bool PlotAvailable();

// Size of the pictures, in pixels.
inline constexpr int kPlotWidth = 960;
inline constexpr int kPlotHeight = 560;

// Writes `graph` to `path`. Returns the empty text on success, else what went wrong.
std::string WritePlot(const toolkit::TGraphModel& graph, const std::string& path);
// Writes the map of a surface scan (see SurfaceMap).
std::string WriteSurfaceMap(const SurfaceMap& map, const std::string& path);
// Writes the graph of `curve` (see CurveGraph).
std::string WriteCurvePlot(const CurveResult& curve, const PlotHead& head, const std::string& path);

}  // namespace report::plot
