// Medium errors on LBA ranges (recovered after k tries or never), a disc pulled out at a
// given LBA, and a whole 79-minute data disc read against the model.
#include <gtest/gtest.h>

#include "sim/scsi/SectorData.h"
#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;

std::int32_t InformationLba(const testing::Outcome& o) {
  return static_cast<std::int32_t>(std::uint32_t(o.reply.sense[3]) << 24 | o.reply.sense[4] << 16 |
                                   o.reply.sense[5] << 8 | o.reply.sense[6]);
}

TEST(SimDriveFaults, MediumErrorRecoveredAfterTwoTries) {
  SimDrive drive(QuietConfig());
  drive.AddMediumError(100, 5, 2);
  Machine m(drive);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto o = m.Read10(90, 27, 2048);
    ASSERT_EQ(o.Triple(), "03/11/00");
    EXPECT_EQ(o.reply.sense[0], 0xF0);  // VALID, current error
    EXPECT_EQ(InformationLba(o), 100);
    EXPECT_EQ(o.reply.transferred, 10u * 2048);  // the blocks before the bad one
    std::vector<std::uint8_t> block(2048);
    SectorData::UserData(99, block.data());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), o.data.begin() + 9 * 2048));
  }
  EXPECT_EQ(m.Read10(90, 27, 2048).Triple(), "GOOD");
  EXPECT_EQ(drive.Faults().mediumErrors.at(0).triesSoFar, 2);
}

TEST(SimDriveFaults, MediumErrorNeverRecovered) {
  SimDrive drive(QuietConfig());
  drive.AddMediumError(100, 5);
  Machine m(drive);
  for (int attempt = 0; attempt < 5; ++attempt)
    EXPECT_EQ(m.Read10(90, 27, 2048).Triple(), "03/11/00");
  // Block by block: only 100-104 fail, on every path of reading.
  for (std::uint32_t lba = 98; lba < 107; ++lba) {
    const bool bad = lba >= 100 && lba < 105;
    EXPECT_EQ(m.Read10(lba, 1, 2048).Triple(), bad ? "03/11/00" : "GOOD") << lba;
    EXPECT_EQ(m.ReadCd(lba, 1).Triple(), bad ? "03/11/00" : "GOOD") << lba;
  }
  EXPECT_EQ(m.Read10(105, 27, 2048).Triple(), "GOOD");
}

TEST(SimDriveFaults, TheFirstBadBlockOfSeveralRangesStopsTheRead) {
  SimDrive drive(QuietConfig());
  drive.AddMediumError(120, 2);
  drive.AddMediumError(105, 1);
  Machine m(drive);
  const auto o = m.Read10(100, 27, 2048);
  EXPECT_EQ(o.Triple(), "03/11/00");
  EXPECT_EQ(InformationLba(o), 105);
  EXPECT_EQ(o.reply.transferred, 5u * 2048);
}

TEST(SimDriveFaults, DiscPulledOutAtAnLba) {
  SimDrive drive(QuietConfig());
  drive.RemoveDiscAtLba(500);
  Machine m(drive);
  EXPECT_TRUE(m.Read10(400, 27, 2048).good());
  const auto o = m.Read10(490, 27, 2048);
  EXPECT_EQ(o.Triple(), "02/3A/00");
  EXPECT_EQ(o.reply.transferred, 10u * 2048);
  EXPECT_FALSE(drive.HasDisc());
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/3A/00");
  EXPECT_EQ(m.Seek(0).Triple(), "02/3A/00");
  drive.InsertDisc(Disc::Data(), m.now());
  EXPECT_EQ(m.TestUnitReady().Triple(), "06/28/00");
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/04/01");
  m.Advance(drive.Config().timing.spinUpMicros);
  EXPECT_EQ(m.Read10(490, 27, 2048).Triple(), "GOOD");  // the fault went with the disc
}

TEST(SimDriveFaults, WholeSeventyNineMinuteDataDiscMatchesTheModel) {
  SimDrive drive(QuietConfig());
  drive.SetRecording(false);
  Machine m(drive);
  const std::uint32_t blocks = Disc::Blocks(79, 57);
  std::vector<std::uint8_t> expected(2048);
  std::uint32_t mismatches = 0;
  for (std::uint32_t lba = 0; lba < blocks; lba += 27) {
    const std::uint16_t n = static_cast<std::uint16_t>(std::min<std::uint32_t>(27, blocks - lba));
    const auto o = m.Read10(lba, n, 2048);
    ASSERT_TRUE(o.good()) << lba;
    for (std::uint32_t i = 0; i < n; ++i) {
      SectorData::UserData(static_cast<std::int32_t>(lba + i), expected.data());
      mismatches += !std::equal(expected.begin(), expected.end(), o.data.begin() + i * 2048);
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(m.Read10(blocks, 1, 2048).Triple(), "05/21/00");
  // The machine's clock advanced by the model's time for the whole disc.
  EXPECT_NEAR(static_cast<double>(m.now()), drive.ExpectedReadMicros(0, blocks, 27),
              drive.ExpectedReadMicros(0, blocks, 27) * 0.01);
}

}  // namespace
}  // namespace sim
