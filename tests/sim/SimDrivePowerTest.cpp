// START STOP UNIT and GET PERFORMANCE of the simulated drive.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::Outcome;
using testing::QuietConfig;

std::uint32_t Be32At(const std::vector<std::uint8_t>& d, std::size_t at) {
  return std::uint32_t(d[at]) << 24 | std::uint32_t(d[at + 1]) << 16 |
         std::uint32_t(d[at + 2]) << 8 | d[at + 3];
}

Outcome StartStop(Machine& m, std::uint8_t byte1, std::uint8_t byte4) {
  return m.NoData({0x1B, byte1, 0, 0, byte4, 0});
}

TEST(SimDrivePower, StoppedDiscSpinsUpForTheNextReadOnly) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  ASSERT_TRUE(m.Read10(0, 1, 2048).good());
  const Outcome warm = m.Read10(100000, 1, 2048);  // an access with the disc spinning

  ASSERT_TRUE(StartStop(m, 0, 0x00).good());
  EXPECT_TRUE(m.TestUnitReady().good());  // answering does not need the disc turning
  const Outcome first = m.Read10(100000, 1, 2048);
  ASSERT_TRUE(first.good());
  const std::uint64_t spinUp = drive.Config().timing.spinUpMicros;
  // The head starts from the inside after the stop, so the access is a seek from LBA 0.
  EXPECT_GE(first.reply.serviceMicros, spinUp + warm.reply.serviceMicros / 2);
  EXPECT_LT(first.reply.serviceMicros, spinUp + 3 * warm.reply.serviceMicros);
  const Outcome again = m.Read10(200000, 1, 2048);
  EXPECT_LT(again.reply.serviceMicros, spinUp / 4);  // spinning again
}

TEST(SimDrivePower, StartWaitsOrReportsBecomingReady) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const std::uint64_t spinUp = drive.Config().timing.spinUpMicros;
  ASSERT_TRUE(StartStop(m, 0, 0x00).good());
  const Outcome start = StartStop(m, 0, 0x01);
  ASSERT_TRUE(start.good());
  EXPECT_GE(start.reply.serviceMicros, spinUp);

  ASSERT_TRUE(StartStop(m, 0, 0x00).good());
  const Outcome immediate = StartStop(m, 0x01, 0x01);
  ASSERT_TRUE(immediate.good());
  EXPECT_LT(immediate.reply.serviceMicros, 10'000u);
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "02/04/01");
  m.Advance(spinUp);
  EXPECT_TRUE(m.Read10(0, 1, 2048).good());
}

TEST(SimDrivePower, EjectAndUnmodelledPowerConditions) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  EXPECT_EQ(StartStop(m, 0, 0x10).Triple(), "05/24/00");
  EXPECT_TRUE(drive.HasDisc());
  ASSERT_TRUE(StartStop(m, 0, 0x02).good());
  EXPECT_FALSE(drive.HasDisc());
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "02/3A/00");
  EXPECT_EQ(StartStop(m, 0, 0x01).Triple(), "02/3A/00");
}

TEST(SimDrivePower, WriteSpeedDescriptorsListTheOfferedReadSpeeds) {
  struct Case {
    std::vector<double> supported;
    std::uint16_t maxDescriptors;
    std::vector<std::uint32_t> kbps;  // read speeds delivered, in order
    double kiloBytesPerX = 176.0;     // how the drive counts
  };
  const Case cases[] = {
      {{16, 4, 40, 52, 60}, 10, {9152, 7040, 2816, 704}},     // above the maximum: left out
      {{16, 4, 40, 52}, 2, {9152, 7040}},                     // trimmed to the descriptors asked
      {{}, 3, {9152, 8976, 8800}},                            // any whole speed up to 52x
      {{16, 4, 40, 52}, 10, {9173, 7056, 2822, 706}, 176.4},  // as real drives count
  };
  for (const Case& k : cases) {
    SimDriveConfig config = QuietConfig();
    config.timing.supportedSpeeds = k.supported;
    config.timing.kiloBytesPerX = k.kiloBytesPerX;
    SimDrive drive(config);
    Machine m(drive);
    const Outcome o = m.In({0xAC, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(k.maxDescriptors >> 8),
                            std::uint8_t(k.maxDescriptors), 0x03, 0},
                           8 + 16 * 60);
    ASSERT_TRUE(o.good());
    const std::vector<std::uint8_t> d = o.Transferred();
    ASSERT_EQ(d.size(), 8 + 16 * k.kbps.size());
    for (std::size_t i = 0; i < k.kbps.size(); ++i) {
      EXPECT_EQ(Be32At(d, 8 + 16 * i + 4), 359774u);  // end LBA: the disc's last block
      EXPECT_EQ(Be32At(d, 8 + 16 * i + 8), k.kbps[i]);
      EXPECT_EQ(Be32At(d, 8 + 16 * i + 12), 0u);  // a drive that does not write
    }
  }
}

TEST(SimDrivePower, NominalReadPerformanceFollowsTheChosenSpeed) {
  SimDriveConfig config = QuietConfig();
  config.timing = DriveTiming::Cav(52, 40);
  SimDrive drive(config);
  Machine m(drive);
  const auto read = [&m] {
    return m.In({0xAC, 0x10, 0, 0, 0, 0, 0, 0, 0, 1, 0x00, 0}, 24).Transferred();
  };
  std::vector<std::uint8_t> d = read();
  ASSERT_EQ(d.size(), 24u);
  EXPECT_EQ(Be32At(d, 8), 0u);
  EXPECT_EQ(Be32At(d, 12),
            std::uint32_t(std::lround(drive.ExpectedSpeedAt(0, SpeedMode::Data) * 176)));
  EXPECT_EQ(Be32At(d, 16), 359774u);
  EXPECT_EQ(Be32At(d, 20), 9152u);
  ASSERT_TRUE(m.NoData({0xBB, 0, 0x0B, 0x04, 0, 0, 0, 0, 0, 0, 0, 0}).good());  // 16x
  d = read();
  EXPECT_EQ(Be32At(d, 20), 2816u);
  // Write performance and the exception list are not offered.
  EXPECT_EQ(m.In({0xAC, 0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0x00, 0}, 24).Triple(), "05/24/00");
  EXPECT_EQ(m.In({0xAC, 0x11, 0, 0, 0, 0, 0, 0, 0, 1, 0x00, 0}, 24).Triple(), "05/24/00");
}

}  // namespace
}  // namespace sim
