// The graph's model: axis ranges and ticks from the data, both y axes, change reports.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "toolkit/Toolkit.h"

namespace {

using namespace toolkit;

struct AxisCase {
  const char* what;
  double dataMin, dataMax;
  TAxisRange range;
  double min, max;
  std::vector<std::string> labels;
};

TAxisRange Follow(bool fromZero = true) {
  TAxisRange r;
  r.FromZero = fromZero;
  return r;
}

TAxisRange Fixed(double min, double max) {
  TAxisRange r;
  r.Fixed = true;
  r.Min = min;
  r.Max = max;
  return r;
}

TEST(GraphScaleTest, RangesEndOnWholeStepsAndTicksAreLabelledWithTheStepsDecimals) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const AxisCase cases[] = {
      {"speed up to 52.3x", 21.1, 52.3, Follow(), 0, 60, {"0", "10", "20", "30", "40", "50", "60"}},
      {"rpm",
       4100,
       10370,
       Follow(),
       0,
       12000,
       {"0", "2000", "4000", "6000", "8000", "10000", "12000"}},
      {"fixed disc time",
       0,
       0,
       Fixed(0, 79.95),
       0,
       79.95,
       {"0", "10", "20", "30", "40", "50", "60", "70"}},
      {"inverted fixed range",
       0,
       0,
       Fixed(80, 0),
       0,
       80,
       {"0", "10", "20", "30", "40", "50", "60", "70", "80"}},
      {"fractions", 0.2, 1.7, Follow(), 0, 2, {"0.0", "0.5", "1.0", "1.5", "2.0"}},
      {"not from zero", 24, 41, Follow(false), 20, 45, {"20", "25", "30", "35", "40", "45"}},
      {"one value", 8, 8, Follow(), 0, 10, {"0", "2", "4", "6", "8", "10"}},
      {"no data", 1, 0, Follow(), 0, 1, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
      {"not a number", nan, nan, Follow(), 0, 1, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
      {"negative", -3.2, 7.9, Follow(), -4, 10, {"-4", "-2", "0", "2", "4", "6", "8", "10"}},
  };
  for (const AxisCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TAxisLayout axis = LayoutAxis(c.dataMin, c.dataMax, c.range);
    EXPECT_DOUBLE_EQ(axis.Min, c.min);
    EXPECT_DOUBLE_EQ(axis.Max, c.max);
    EXPECT_EQ(axis.Labels, c.labels);
    ASSERT_EQ(axis.Ticks.size(), axis.Labels.size());
    for (double t : axis.Ticks) {
      EXPECT_GE(t, axis.Min - 1e-9);
      EXPECT_LE(t, axis.Max + 1e-9);
    }
  }
}

TEST(GraphScaleTest, LabelsCarryNoFloatingPointDustAndNoNegativeZero) {
  EXPECT_EQ(TickLabel(0.1 + 0.2, 0.1), "0.3");
  EXPECT_EQ(TickLabel(-1e-12, 0.5), "0.0");
  EXPECT_EQ(TickLabel(-1e-12, 5), "0");
  EXPECT_EQ(TickLabel(0.025, 0.005), "0.025");
  // A range far too wide for its step would give millions of ticks: only the ends remain.
  TAxisRange huge = Fixed(0, 1e300);
  huge.MaxIntervals = 1;
  EXPECT_LE(LayoutAxis(0, 0, huge).Ticks.size(), 100u);
}

class RecordingObserver : public TControlObserver {
 public:
  void ControlChanged(TControl&, TChange change) override { changes.push_back(change); }
  void ControlDestroyed(TControl&) override {}
  std::vector<TChange> changes;
};

class GraphTest : public ::testing::Test {
 protected:
  toolkit_test::FakeHost host;
  platform::ScopedHost scopedHost{host};
  ScopedApplication app;
};

TEST_F(GraphTest, EachAxisFollowsItsOwnSeriesAndTheRightOneIsShownOnlyWithPoints) {
  TForm form(nullptr);
  RecordingObserver view;
  form.SetObserver(&view);
  auto* graph = new TGraph(&form);
  graph->SetParent(&form);
  const int speed = graph->AddSeries("Speed", clNavy, gaLeft);
  const int rpm = graph->AddSeries("Rotation", clRed, gaRight);
  view.changes.clear();

  graph->AddPoint(speed, 0, 21);
  graph->AddPoint(speed, 40, 52);
  graph->AddPoint(speed, std::numeric_limits<double>::quiet_NaN(), 1e9);  // left out
  graph->AddPoint(7, 1e9, 1e9);                                           // no such series
  EXPECT_EQ(view.changes, std::vector<TChange>(3, TChange::Graph));
  EXPECT_FALSE(graph->Model().HasRightAxis());
  EXPECT_DOUBLE_EQ(graph->Model().YAxis().Max, 60);
  EXPECT_DOUBLE_EQ(graph->Model().XAxis().Max, 40);

  graph->AddPoint(rpm, 0, 4100);
  graph->AddPoint(rpm, 70, 10370);
  graph->SetMarkers({{80, "zone"}});
  EXPECT_TRUE(graph->Model().HasRightAxis());
  EXPECT_DOUBLE_EQ(graph->Model().YAxis().Max, 60);  // rpm stays off the speed axis
  EXPECT_DOUBLE_EQ(graph->Model().Y2Axis().Max, 12000);
  EXPECT_DOUBLE_EQ(graph->Model().XAxis().Max, 80);  // markers widen the x range

  graph->ClearPoints();
  EXPECT_FALSE(graph->Model().HasRightAxis());
  EXPECT_EQ(graph->Model().Series.size(), 2u);
  form.SetObserver(nullptr);
}

}  // namespace
