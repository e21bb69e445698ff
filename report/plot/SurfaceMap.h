// A surface scan as a map of the disc: its recorded area as rings from the inside out,
// coloured by what the scan found there (good, weak, C2-flagged, unreadable, not read), a
// dual-layer disc as two discs; beside it the speed the scan read, with the marked runs as
// markers. The plot writer paints it (no Qt here).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/SurfaceRecord.h"
#include "report/plot/CurveGraph.h"
#include "toolkit/TGraph.h"

namespace report::plot {

inline constexpr toolkit::TColor kGoodColour = toolkit::RGB(0x4c, 0xaf, 0x50);
inline constexpr toolkit::TColor kWeakColour = toolkit::RGB(0xf0, 0xa0, 0x00);
inline constexpr toolkit::TColor kC2Colour = toolkit::RGB(0x90, 0x40, 0xc0);
inline constexpr toolkit::TColor kUnreadableColour = toolkit::RGB(0xd0, 0x10, 0x10);
inline constexpr toolkit::TColor kNotReadColour = toolkit::RGB(0xdd, 0xdd, 0xdd);

// The recorded area's radii on the disc, in mm.
inline constexpr double kInnerRadiusMm = 24.0;
inline constexpr double kOuterRadiusMm = 58.0;

// A ring of one colour on one layer's disc, between two radii (mm).
struct MapRing {
  int layer = 0;
  double innerMm = 0;
  double outerMm = 0;
  toolkit::TColor colour = kGoodColour;
};

struct SurfaceMap {
  std::string title;
  std::vector<std::string> notes;  // the counts, in the marks' colours' order
  int layers = 1;
  std::vector<MapRing> rings;  // in painting order: what is read, then the marks over it
  toolkit::TGraphModel curve;  // the speeds read, the marked runs as markers
};

// Narrowest ring drawn, so that one block shows (mm).
inline constexpr double kThinnestRingMm = 0.3;

// The map of `surface` on a disc of `capacity` blocks (its layer break and track path in
// `head`).
SurfaceMap MakeSurfaceMap(const SurfaceResult& surface, const PlotHead& head,
                          std::int64_t capacity);

}  // namespace report::plot
