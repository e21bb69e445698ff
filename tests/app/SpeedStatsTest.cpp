#include "app/SpeedStats.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <vector>

#include "app/NumberText.h"

namespace {

struct SummaryCase {
  const char* name;
  DWORD blocksDone, blockSize, elapsedMs;
  const char* seconds;
  LONG kb, average;
  DWORD factor;
  const char* speed;
};

TEST(RunFiguresTest, SummaryLinesOfTheWorkedRuns) {
  const SummaryCase cases[] = {
      {"data, 100 blocks in 1 s", 100, 2048, 1000, "1.00", 200, 200, 150, "1.33"},
      {"raw, 100 blocks in 1 s", 100, 2352, 1000, "1.00", 229, 229, 172, "1.34"},
      // 54 KB / 0.001 s in single precision is 53999.996: the average truncates to 53999.
      {"read ends in its first millisecond", 27, 2048, 0, "0.00", 54, 53999, 150, "360.00"},
      {"nothing done", 0, 2048, 500, "0.50", 0, 0, 150, "0.00"},
      // 80 ms is 0.08 s rounded once: the exact average comes out exactly.
      {"data, 200 KB in 80 ms", 100, 2048, 80, "0.08", 200, 2500, 150, "16.67"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SpeedStats stats{};
    stats.Prepare(c.blockSize);
    ASSERT_EQ(stats.kbPerSpeedUnit, c.factor);
    const RunFigures f =
        ComputeRunFigures(c.blocksDone, c.blockSize, c.elapsedMs, stats.kbPerSpeedUnit);
    EXPECT_EQ(FixedTwo(f.seconds), c.seconds);
    EXPECT_EQ(TruncateToLong(f.kilobytes), c.kb);
    EXPECT_EQ(TruncateToLong(f.average), c.average);
    EXPECT_EQ(FixedTwo(f.speed), c.speed);
  }
}

TEST(RunFiguresTest, LargeRangesDoNotOverflowTheByteCount) {
  // 2,000,000 raw blocks are 4.7 GB: more than 32 bits can count.
  const RunFigures f = ComputeRunFigures(2000000, 2352, 1000, 172);
  EXPECT_EQ(TruncateToLong(f.kilobytes), 4593750);
}

TEST(SpeedStatsTest, ConversionFactorAndScaleByBlockSize) {
  SpeedStats data{}, raw{};
  data.Prepare(2048);
  raw.Prepare(2352);
  EXPECT_EQ(data.kbPerSpeedUnit, 150u);
  EXPECT_EQ(raw.kbPerSpeedUnit, 172u);  // 172.27 truncated
  EXPECT_NEAR(data.speedScale, 13.333333f, 1e-5f);
  EXPECT_NEAR(raw.speedScale, 13.353925f, 1e-5f);
  EXPECT_EQ(data.displayInterval, 4);
}

// Four commands of 27 blocks, each `stepMs` after the previous one.
struct ProgressCase {
  const char* name;
  DWORD blockSize;
  DWORD t0;
  DWORD stepMs;
  const char* burst;
  const char* current;
};

TEST(SpeedStatsTest, BurstAndCurrentSpeedOfTheWorkedCommands) {
  const ProgressCase cases[] = {
      {"data", 2048, 1000, 20, "18.00", "18.00"},
      {"raw", 2352, 1000, 20, "18.03", "18.03"},
      // A timer far from zero (a machine up for days) measures the same.
      {"data, long uptime", 2048, 400000000u, 20, "18.00", "18.00"},
      // The timer wraps during the group.
      {"data, timer wraps", 2048, 0xFFFFFFF0u, 20, "18.00", "18.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SpeedStats stats{};
    stats.Prepare(c.blockSize);
    stats.Start(c.t0);
    DWORD now = c.t0;
    SpeedStats::Progress p{};
    for (int i = 0; i < 3; ++i) {
      now += c.stepMs;
      p = stats.OnCommand(now, 27, 27);
      EXPECT_FALSE(p.displayed);
      EXPECT_EQ(FixedTwo(p.burst), c.burst);
    }
    now += c.stepMs;
    p = stats.OnCommand(now, 27, 27);
    ASSERT_TRUE(p.displayed);
    EXPECT_EQ(FixedTwo(p.current), c.current);
    EXPECT_EQ(FixedTwo(stats.highestSpeed), c.current);
    EXPECT_EQ(FixedTwo(stats.highestBurst), c.burst);
    EXPECT_EQ(stats.commandsSinceDisplay, 0);
    EXPECT_EQ(stats.lastDisplayTime, now);
  }
}

TEST(SpeedStatsTest, SameMillisecondCallbacksUseNineTenthsOfAMillisecond) {
  SpeedStats stats{};
  stats.Prepare(2048);
  stats.Start(500);
  const auto p = stats.OnCommand(500, 27, 27);
  EXPECT_NEAR(p.burst, 27 / 0.9f * stats.speedScale, 1e-3f);
  EXPECT_EQ(FixedTwo(stats.highestBurst), "400.00");
}

TEST(SpeedStatsTest, GroupWithinOneMillisecondIsNotMeasured) {
  SpeedStats stats{};
  stats.Prepare(2048);
  stats.Start(700);
  SpeedStats::Progress p{};
  for (int i = 0; i < 4; ++i) p = stats.OnCommand(700, 27, 27);
  EXPECT_FALSE(p.displayed);
  EXPECT_EQ(stats.highestSpeed, 0.0f);
  EXPECT_EQ(stats.commandsSinceDisplay, 0);
  // The next group is measured normally, from the same tick.
  for (int i = 0; i < 4; ++i) p = stats.OnCommand(700 + 20 * (i + 1), 27, 27);
  ASSERT_TRUE(p.displayed);
  EXPECT_EQ(FixedTwo(p.current), "18.00");
}

TEST(SpeedStatsTest, HighestSpeedIsTheHighestDisplayedGroupAndShortLastCommandCounts) {
  SpeedStats stats{};
  stats.Prepare(2048);
  stats.Start(0);
  // First group fast (80 ms), second slow (160 ms) with a short last command of 10 blocks.
  for (DWORD t = 20; t <= 80; t += 20) stats.OnCommand(t, 27, 27);
  SpeedStats::Progress p{};
  for (DWORD t = 120; t <= 240; t += 40) p = stats.OnCommand(t, t == 240 ? 10 : 27, 27);
  ASSERT_TRUE(p.displayed);
  // (3 x 27 + 10) / 160 ms x 13.333
  EXPECT_NEAR(p.current, 91.0f / 160.0f * stats.speedScale, 1e-4f);
  EXPECT_EQ(FixedTwo(stats.highestSpeed), "18.00");
}

TEST(NumberTextTest, FixedTwoFormats) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.0f, "0.00"},
      {1.3333f, "1.33"},
      {18.0278f, "18.03"},
      {-2.5f, "-2.50"},
      {9999999.0f, "9999999.00"},
      {12345678.0f, "1.234568E+07"},
      {1.0e10f, "1E+10"},
      // At most 7 significant digits, then two decimals.
      {123456.789f, "123456.80"},
      {1234567.875f, "1234568.00"},
      {99999.994f, "99999.99"},
  };
  for (const auto& c : cases) EXPECT_EQ(FixedTwo(c.value), c.text) << c.value;
}

// Below 100000 the text is exactly what "%.2f" prints, ties and signs included.
TEST(NumberTextTest, FixedTwoBelowOneHundredThousandIsPrintfs) {
  std::vector<float> values = {0.125f,  0.375f,  2.675f,     1.005f, -0.001f,
                               -0.005f, 52.005f, 99998.995f, 1e-30f, -1e-30f};
  for (float v = -3.0f; v < 300.0f; v += 0.0009765625f) values.push_back(v);  // 2^-10 steps
  for (float v = 1.0f; v < 99999.0f; v *= 1.000123f) values.push_back(v);
  char expected[64];
  for (const float v : values) {
    std::snprintf(expected, sizeof expected, "%.2f", static_cast<double>(v));
    ASSERT_EQ(FixedTwo(v), expected) << v;
  }
}

TEST(NumberTextTest, NonFiniteValuesNeverReachTheText) {
  EXPECT_EQ(FixedTwo(1.0f / 0.0f), "0.00");
  EXPECT_EQ(FixedTwo(std::numeric_limits<float>::quiet_NaN()), "0.00");
}

TEST(NumberTextTest, TruncationSaturates) {
  EXPECT_EQ(TruncateToLong(229.6875f), 229);
  EXPECT_EQ(TruncateToLong(-3.9f), -3);
  EXPECT_EQ(TruncateToLong(1e12f), 2147483647);
  EXPECT_EQ(TruncateToLong(-1e12f), -2147483647 - 1);
  EXPECT_EQ(TruncateToLong(std::numeric_limits<float>::quiet_NaN()), 0);
}

}  // namespace
