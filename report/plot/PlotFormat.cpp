#include <algorithm>
#include <cctype>

#include "report/plot/PlotWriter.h"

namespace report::plot {

PictureFormat PictureFormatOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return PictureFormat::None;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == "png") return PictureFormat::Png;
  if (ext == "svg") return PictureFormat::Svg;
  return PictureFormat::None;
}

std::string WriteCurvePlot(const CurveResult& curve, const PlotHead& head,
                           const std::string& path) {
  return WritePlot(CurveGraph(curve, head), path);
}

}  // namespace report::plot
