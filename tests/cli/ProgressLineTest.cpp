// The progress line of a running test and how often it may be redrawn.
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLineTest, PercentSpeedAndTimeLeft) {
  const struct {
    std::uint32_t done, total, elapsedMs;
    const char* speed;
    const char* text;
  } cases[] = {
      {0, 10000, 0, "", "Reading   0%"},
      {2500, 10000, 1000, "52.00 x", "Reading  25%  current 52.00 x  0:03 left"},
      {9999, 10000, 2560, "", "Reading  99%  0:01 left"},  // a part second counts as one
      {10000, 10000, 2560, "", "Reading 100%  0:00 left"},
      {100, 359773, 1000, "", "Reading   0%  59:57 left"},
      {10, 359773, 1000, "", "Reading   0%  9:59:37 left"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgressText(c.done, c.total, c.elapsedMs, c.speed), c.text) << c.done;
}

TEST(ProgressLineTest, AtMostFourRedrawsASecond) {
  RedrawGate gate(std::chrono::milliseconds(250));
  const std::chrono::steady_clock::time_point t0{};
  const struct {
    int ms;
    bool due;
  } steps[] = {{0, true}, {1, false}, {249, false}, {250, true}, {400, false}, {520, true}};
  for (const auto& s : steps)
    EXPECT_EQ(gate.Due(t0 + std::chrono::milliseconds(s.ms)), s.due) << s.ms;
}

}  // namespace
