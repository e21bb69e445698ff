// READ TOC: format 0 in LBA and MSF form from any start track, the lead-out alone, the
// session format, the older format encoding, and discs without a TOC.
#include <gtest/gtest.h>

#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;
using Bytes = std::vector<std::uint8_t>;

testing::Outcome ReadToc(Machine& m, bool msf, std::uint8_t track, std::uint8_t format = 0,
                         std::uint16_t allocation = 804, std::uint8_t control = 0) {
  return m.In({0x43, std::uint8_t(msf ? 0x02 : 0x00), format, 0, 0, 0, track,
               Machine::B(allocation, 8), Machine::B(allocation, 0), control},
              804);
}

TEST(SimDriveToc, DataDiscOfSeventyNineMinutes) {
  SimDriveConfig config = QuietConfig();
  config.disc = Disc::Data(Disc::Blocks(79, 57));  // 359775 = 057D5Fh blocks
  SimDrive drive(config);
  Machine m(drive);
  EXPECT_EQ(ReadToc(m, false, 0).Transferred(),
            (Bytes{0x00, 0x12, 0x01, 0x01,                          // length 18, tracks 1-1
                   0x00, 0x14, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,  // track 1, data, LBA 0
                   0x00, 0x14, 0xAA, 0x00, 0x00, 0x05, 0x7D, 0x5F}));
  EXPECT_EQ(ReadToc(m, true, 1).Transferred(),
            (Bytes{0x00, 0x12, 0x01, 0x01,                             //
                   0x00, 0x14, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,     // 00:02:00
                   0x00, 0x14, 0xAA, 0x00, 0x00, 0x4F, 0x3B, 0x00}));  // 79:59:00
}

TEST(SimDriveToc, MixedModeFromAStartTrackAndLeadOutAlone) {
  SimDriveConfig config = QuietConfig();
  config.disc = Disc::Mixed(1000, {500, 700});
  SimDrive drive(config);
  Machine m(drive);
  EXPECT_EQ(ReadToc(m, true, 2).Transferred(),
            (Bytes{0x00, 0x1A, 0x01, 0x03,                             //
                   0x00, 0x10, 0x02, 0x00, 0x00, 0x00, 0x0F, 0x19,     // 00:15:25, audio
                   0x00, 0x10, 0x03, 0x00, 0x00, 0x00, 0x16, 0x00,     // 00:22:00
                   0x00, 0x10, 0xAA, 0x00, 0x00, 0x00, 0x1F, 0x19}));  // 00:31:25
  EXPECT_EQ(ReadToc(m, false, 0xAA).Transferred(),
            (Bytes{0x00, 0x0A, 0x01, 0x03, 0x00, 0x10, 0xAA, 0x00, 0x00, 0x00, 0x08, 0x98}));
  EXPECT_EQ(ReadToc(m, false, 4).Triple(), "05/24/00");  // past the last track
  // The capacity query of the range entry: LBA form, track AAh, allocation 2352.
  const auto o = ReadToc(m, false, 0xAA, 0, 2352);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 12u);
}

TEST(SimDriveToc, AudioDiscTrackTable) {
  SimDriveConfig config = QuietConfig();
  config.disc = Disc::Audio({300, 300, 300});
  SimDrive drive(config);
  Machine m(drive);
  const auto o = ReadToc(m, false, 0);
  ASSERT_TRUE(o.good());
  ASSERT_EQ(o.reply.transferred, 4u + 4 * 8);
  EXPECT_EQ(o.data[1], 0x22);
  for (int i = 0; i < 3; ++i) {
    const std::uint8_t* d = o.data.data() + 4 + 8 * i;
    EXPECT_EQ(d[1], 0x10);
    EXPECT_EQ(d[2], i + 1);
    EXPECT_EQ((d[6] << 8) | d[7], 300 * i);
  }
}

TEST(SimDriveToc, SessionFormatAndOlderEncoding) {
  SimDriveConfig config = QuietConfig();
  config.disc = Disc::Data(Disc::Blocks(10, 0));
  SimDrive drive(config);
  Machine m(drive);
  const Bytes session = {0x00, 0x0A, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(ReadToc(m, false, 0, 1).Transferred(), session);
  EXPECT_EQ(ReadToc(m, false, 0, 0, 804, 0x40).Transferred(), session);  // format in byte 9
  EXPECT_EQ(ReadToc(m, false, 0, 2).Triple(), "05/24/00");               // full TOC not kept
}

TEST(SimDriveToc, TrimmedToTheAllocationLength) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const auto o = ReadToc(m, false, 0, 0, 6);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 6u);
  EXPECT_EQ(o.data[1], 0x12);  // the header still announces everything
  EXPECT_EQ(o.data[5], 0x14);
  EXPECT_EQ(o.data[6], 0xEE);
}

TEST(SimDriveToc, BlankDiscHasNoToc) {
  SimDriveConfig config = QuietConfig();
  config.disc = Disc::Blank();
  SimDrive drive(config);
  Machine m(drive);
  EXPECT_TRUE(m.TestUnitReady().good());
  EXPECT_EQ(ReadToc(m, false, 0).Triple(), "05/24/00");
  EXPECT_EQ(ReadToc(m, false, 0xAA).Triple(), "05/24/00");
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "05/21/00");
}

}  // namespace
}  // namespace sim
