// Speeds in kB/s and in x, both ways, with a CD's 1x = 176.4 kB/s: the request for a speed
// never asks for less than it, and a drive's figure within 0.5 % of a whole multiple (as
// drives count it: 176, 176.4 or 177 kB/s per x) is that multiple.
#include "report/SpeedUnits.h"

#include <gtest/gtest.h>

namespace {

TEST(SpeedUnits, KiloBytesForX) {
  const struct {
    double x;
    std::uint16_t kbps;
  } cases[] = {
      {1, 177},   {40, 7056}, {48, 8468},    // 8467.2 rounded up
      {52, 9173}, {0, 1},     {400, 65534},  // at least 1 kB/s, at most FFFEh
  };
  for (const auto& c : cases) EXPECT_EQ(report::KiloBytesForX(c.x), c.kbps) << c.x << "x";
}

TEST(SpeedUnits, XForKiloBytes) {
  const struct {
    double kbps;
    double x;
  } cases[] = {
      {7056, 40},           {8467, 48},           {8468, 48}, {9172.8, 52},
      {7040, 40},           {8496, 48},           {9204, 52},  // 176 and 177 kB/s per x
      {7091, 40},           {7021, 40},                        // 0.49 % above and below 40x
      {7100, 7100 / 176.4}, {7000, 7000 / 176.4},              // 0.6 % and 0.8 % off
      {88.2, 0.5},          {176.4, 1},           {706, 4},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(report::XForKiloBytes(c.kbps), c.x) << c.kbps;
  // The SET CD SPEED figure for a whole speed reads back as that speed.
  for (double x : {4.0, 8.0, 16.0, 24.0, 32.0, 40.0, 48.0, 52.0})
    EXPECT_DOUBLE_EQ(report::XForKiloBytes(report::KiloBytesForX(x)), x) << x << "x";
}

}  // namespace
