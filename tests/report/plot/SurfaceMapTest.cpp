// The disc map of a surface scan: where each mark's ring lies on the disc, on one layer
// and on both layers of a dual-layer disc of either track path.
#include "report/plot/SurfaceMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using report::plot::kInnerRadiusMm;
using report::plot::kOuterRadiusMm;
using report::plot::MapRing;

// The radius a block's position `f` (0 to 1 of its layer) has at an even density.
double Radius(double f) {
  return std::sqrt(kInnerRadiusMm * kInnerRadiusMm +
                   f * (kOuterRadiusMm * kOuterRadiusMm - kInnerRadiusMm * kInnerRadiusMm));
}

TEST(SurfaceMap, MarksLieWhereTheirBlocksAre) {
  const struct {
    const char* name;
    std::optional<std::int64_t> layerBreak;
    bool opposite;
    std::int64_t run, blocks;  // unreadable blocks
    int layer;
    double from, to;  // the ring's radii, as fractions of its layer
  } cases[] = {
      {"single layer, a quarter in", {}, false, 250'000, 20'000, 0, 0.25, 0.27},
      {"layer 0 of two", 600'000, false, 300'000, 30'000, 0, 0.5, 0.55},
      {"layer 1, parallel", 600'000, false, 700'000, 20'000, 1, 0.25, 0.30},
      {"layer 1, opposite", 600'000, true, 700'000, 20'000, 1, 0.70, 0.75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    report::SurfaceResult s;
    s.blocks = s.read = 1'000'000;
    report::AddToRuns(s.unreadable, c.run, c.blocks, "03/11/00");
    s.unreadableCount = c.blocks;
    report::plot::PlotHead head;
    head.layerBreak = c.layerBreak;
    head.oppositePath = c.opposite;
    const report::plot::SurfaceMap map = report::plot::MakeSurfaceMap(s, head, 1'000'000);
    EXPECT_EQ(map.layers, c.layerBreak ? 2 : 1);
    ASSERT_FALSE(map.rings.empty());
    const MapRing& mark = map.rings.back();  // the worst mark is painted last
    EXPECT_EQ(mark.colour, report::plot::kUnreadableColour);
    EXPECT_EQ(mark.layer, c.layer);
    EXPECT_NEAR(mark.innerMm, Radius(c.from), 0.01);
    EXPECT_NEAR(mark.outerMm, Radius(c.to), 0.01);
    EXPECT_EQ(map.curve.Markers.front().Label, "unreadable");
  }
}

TEST(SurfaceMap, OneBlockStillShowsAndWhatWasNotReadIsGrey) {
  report::SurfaceResult s;
  s.start = 100'000;
  s.blocks = s.read = 100'000;
  report::AddToRuns(s.weak, 150'000, 1);
  s.weakCount = 1;
  const report::plot::SurfaceMap map = report::plot::MakeSurfaceMap(s, {}, 400'000);
  ASSERT_EQ(map.rings.size(), 3u);  // not read, good, weak
  EXPECT_EQ(map.rings[0].colour, report::plot::kNotReadColour);
  EXPECT_NEAR(map.rings[0].innerMm, kInnerRadiusMm, 1e-9);
  EXPECT_NEAR(map.rings[0].outerMm, kOuterRadiusMm, 1e-9);
  EXPECT_EQ(map.rings[1].colour, report::plot::kGoodColour);
  EXPECT_NEAR(map.rings[1].innerMm, Radius(0.25), 0.01);
  EXPECT_NEAR(map.rings[1].outerMm, Radius(0.5), 0.01);
  EXPECT_EQ(map.rings[2].colour, report::plot::kWeakColour);
  EXPECT_NEAR(map.rings[2].outerMm - map.rings[2].innerMm, report::plot::kThinnestRingMm, 1e-9);
  EXPECT_NEAR((map.rings[2].outerMm + map.rings[2].innerMm) / 2, Radius(0.375), 0.01);
}

}  // namespace
