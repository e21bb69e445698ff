// The curve as a graph: where samples, markers and gaps go, and what the notes name.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "ModelCurve.h"
#include "report/plot/CurveGraph.h"

namespace {

using report::plot::CurveGraph;

bool HasNote(const toolkit::TGraphModel& g, const std::string& text) {
  for (const std::string& note : g.Notes)
    if (note.find(text) != std::string::npos) return true;
  return false;
}

TEST(CurveGraphTest, SamplesStandAtTheirZonesMiddleOnTheScannedRangeWithRpmGaps) {
  report::CurveResult curve =
      plot_test::ModelCurve(sim::DriveTiming::Pcav(48, 40), report::Strategy::PCAV, 360000);
  curve.rpm = 8123.4;
  curve.zones = {150000};
  curve.samples[5].rpm = 0;  // a zone whose rotation speed is not known
  curve.refused = {"SET CD SPEED"};
  const toolkit::TGraphModel g = CurveGraph(curve, {"VELMSIM  CD-ROM SIM-48P", "data disc"});

  EXPECT_NE(g.Title.find("VELMSIM  CD-ROM SIM-48P"), std::string::npos);
  EXPECT_TRUE(HasNote(g, "Strategy: P-CAV, 8123 rpm, CAV up to 33:20 (LBA 150000)"));
  EXPECT_TRUE(HasNote(g, "The drive refused: SET CD SPEED"));
  EXPECT_FALSE(HasNote(g, "Stopped early"));

  const toolkit::TAxisLayout x = g.XAxis();
  EXPECT_DOUBLE_EQ(x.Min, 0);
  EXPECT_DOUBLE_EQ(x.Max, 80);  // 360000 blocks: 80 minutes
  ASSERT_EQ(g.Series.size(), 2u);
  const auto& speed = g.Series[0].Points;
  const auto& rpm = g.Series[1].Points;
  ASSERT_EQ(speed.size(), 100u);
  ASSERT_EQ(rpm.size(), 100u);
  EXPECT_DOUBLE_EQ(speed[0].X, 1800 / 4500.0);  // the middle of the first 3600 blocks
  EXPECT_DOUBLE_EQ(speed[99].Y, curve.samples[99].speedX);
  EXPECT_TRUE(std::isnan(rpm[5].Y));
  EXPECT_GT(rpm[6].Y, 0);
  EXPECT_EQ(g.Series[1].Axis, toolkit::gaRight);
  ASSERT_EQ(g.Markers.size(), 1u);
  EXPECT_DOUBLE_EQ(g.Markers[0].X, 150000 / 4500.0);

  // Z-CLV zones listed from the range's start: no line on the axis itself.
  curve.strategy = report::Strategy::ZCLV;
  curve.zones = {0, 90000, 180000};
  const toolkit::TGraphModel z = CurveGraph(curve, {});
  ASSERT_EQ(z.Markers.size(), 2u);
  EXPECT_EQ(z.Markers[0].Label, "20:00");
  EXPECT_TRUE(HasNote(z, "zones from 00:00, 20:00, 40:00"));
}

TEST(CurveGraphTest, WithoutRotationSpeedsTheRightAxisStaysAwayAndAnEarlyStopIsNamed) {
  report::CurveResult curve =
      plot_test::ModelCurve(sim::DriveTiming::Clv(8, 8), report::Strategy::CLV, 90000);
  for (report::ScanSample& s : curve.samples) s.rpm = 0;
  curve.aborted = true;
  curve.abortReason = "aborted by the user";
  const toolkit::TGraphModel g = CurveGraph(curve, {});
  EXPECT_FALSE(g.HasRightAxis());
  EXPECT_TRUE(HasNote(g, "Strategy: CLV; start 8.00x, end 8.00x"));
  EXPECT_TRUE(HasNote(g, "Stopped early: aborted by the user"));
}

TEST(CurveGraphTest, DiscTimeOfABlockAddress) {
  const struct {
    std::int64_t lba;
    const char* text;
  } cases[] = {{0, "00:00"},      {74, "00:00"},   {75, "00:01"},
               {359775, "79:57"}, {-150, "00:00"}, {100 * 4500, "100:00"}};
  for (const auto& c : cases) EXPECT_EQ(report::plot::DiscTimeText(c.lba), c.text) << c.lba;
  // A DVD's or BD's position in GB of user data, a CD's in its time.
  EXPECT_EQ(report::plot::DiscPositionText(2'052'096, false), "4.20 GB");
  EXPECT_EQ(report::plot::DiscPositionText(359775, true), "79:57");
}

}  // namespace

namespace {

TEST(CurveGraphTest, ADvdStandsInGigabytesWithItsLayerBreakMarked) {
  // 4,000,000 blocks of 2048 bytes: 8.192 GB; the break at block 2,000,000 stands at 4.096 GB.
  report::CurveResult curve;
  curve.start = 0;
  curve.blocks = 4000000;
  const struct {
    std::optional<std::int64_t> layerBreak;
    std::size_t markers;
  } cases[] = {{2000000, 1}, {std::nullopt, 0}, {4000000, 0}};  // a break past the range: none
  for (const auto& c : cases) {
    report::plot::PlotHead head{"drive", "DVD-ROM", false, c.layerBreak};
    const toolkit::TGraphModel g = CurveGraph(curve, head);
    EXPECT_EQ(g.XRange.Title, "Position on the disc (GB)");
    EXPECT_DOUBLE_EQ(g.XRange.Max, 8.192);
    ASSERT_EQ(g.Markers.size(), c.markers);
    if (c.markers == 1) {
      EXPECT_EQ(g.Markers[0], (toolkit::TGraphMarker{4.096, "layer break"}));
    }
  }
}

}  // namespace
