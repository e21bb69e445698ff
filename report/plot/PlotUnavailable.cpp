// The plot writer of a build without Qt.
#include "report/plot/PlotWriter.h"

namespace report::plot {

bool PlotAvailable() {
  return false;
}

std::string WritePlot(const toolkit::TGraphModel&, const std::string&) {
  return "pictures are not available: this build has no Qt";
}

std::string WriteSurfaceMap(const SurfaceMap&, const std::string&) {
  return "pictures are not available: this build has no Qt";
}

}  // namespace report::plot
