// Speeds in kB/s and in x, both ways, with a CD's 1x = 176.4 kB/s: the request for a speed
// never asks for less than it, and a drive's figure within 0.5 % of a whole multiple (as
// drives count it: 176, 176.4 or 177 kB/s per x) is that multiple.
#include "report/SpeedUnits.h"

#include <gtest/gtest.h>

#include <string>

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

// Every medium's units: bytes and blocks a second at 1x, and the kB/s a drive counts per x,
// both ways (CDs as above).
TEST(MediumUnits, OneXAndKiloBytesPerMedium) {
  using scsi::MediumFamily;
  const struct {
    MediumFamily family;
    double dataBytes, rawBytes, blocksPerS, rawBlocksPerS;
  } units[] = {
      {MediumFamily::CD, 153'600, 176'400, 75, 75},
      {MediumFamily::DVD, 1'385'000, 0, 1'385'000 / 2048.0, 1'385'000 / 2048.0},
      {MediumFamily::BD, 4'500'000, 0, 2197.265625, 2197.265625},
  };
  for (const auto& u : units) {
    SCOPED_TRACE(scsi::FamilyName(u.family));
    EXPECT_EQ(report::UnitOf(u.family).dataBytesPerSecond, u.dataBytes);
    EXPECT_EQ(report::UnitOf(u.family).rawBytesPerSecond, u.rawBytes);
    EXPECT_DOUBLE_EQ(report::BlocksPerSecondAt1x(u.family, 2048), u.blocksPerS);
    EXPECT_DOUBLE_EQ(report::BlocksPerSecondAt1x(u.family, 2352), u.rawBlocksPerS);
  }
  EXPECT_NEAR(report::BlocksPerSecondAt1x(MediumFamily::DVD, 2048), 676.3, 0.05);

  const struct {
    MediumFamily family;
    double x;
    std::uint16_t kbps;  // what a request for x sends
    double readBack;     // the x that kbps stands for
  } speeds[] = {
      {MediumFamily::CD, 40, 7056, 40},   {MediumFamily::DVD, 1, 1385, 1},
      {MediumFamily::DVD, 16, 22160, 16}, {MediumFamily::DVD, 2.4, 3324, 3324 / 1385.0},
      {MediumFamily::BD, 2, 9000, 2},     {MediumFamily::BD, 12, 54000, 12},
      {MediumFamily::BD, 0.5, 2250, 0.5},
  };
  for (const auto& s : speeds) {
    SCOPED_TRACE(std::string(scsi::FamilyName(s.family)) + " " + std::to_string(s.x));
    EXPECT_EQ(report::KiloBytesForX(s.x, s.family), s.kbps);
    EXPECT_DOUBLE_EQ(report::XForKiloBytes(s.kbps, s.family), s.readBack);
  }
  // Within 0.5 % of a whole multiple is that multiple; beyond it the figure stands.
  const struct {
    MediumFamily family;
    double kbps, x;
  } near[] = {
      {MediumFamily::DVD, 22248, 16},              // 0.40 % above 16x
      {MediumFamily::DVD, 22400, 22400 / 1385.0},  // 1.08 % above
      {MediumFamily::BD, 53800, 12},               // 0.37 % below 12x
      {MediumFamily::BD, 53600, 53600 / 4500.0},   // 0.74 % below
      {MediumFamily::CD, 7040, 40},                // 176 kB/s per x
  };
  for (const auto& n : near)
    EXPECT_DOUBLE_EQ(report::XForKiloBytes(n.kbps, n.family), n.x) << n.kbps;
}

}  // namespace
