// MODE SENSE and MODE SELECT: reply bytes as MMC lays them out, the block length they
// switch, malformed parameter lists and the firmware quirks.
#include <gtest/gtest.h>

#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;
using Bytes = std::vector<std::uint8_t>;

const Bytes kDescriptor2048 = {0, 0, 0, 0, 0, 0x00, 0x08, 0x00};
const Bytes kDescriptor2352 = {0, 0, 0, 0, 0, 0x00, 0x09, 0x30};
const Bytes kPage01 = {0x01, 0x0A, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0, 0};
// 52x maximum = 9152 kB/s, 256 volume levels, 2048 KB buffer, current 52x.
const Bytes kPage2A = {0x2A, 0x18, 0x03, 0x00, 0x71, 0x03, 0x29, 0x03, 0x23, 0xC0, 0x01, 0x00, 0x08,
                       0x00, 0x23, 0xC0, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0};

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

testing::Outcome ModeSense6(Machine& m, std::uint8_t page, std::uint8_t allocation = 120,
                            std::uint8_t byte1 = 0) {
  return m.In({0x1A, byte1, page, 0, allocation, 0}, 120);
}
testing::Outcome ModeSense10(Machine& m, std::uint8_t page, std::uint16_t allocation = 120,
                             std::uint8_t byte1 = 0) {
  return m.In(
      {0x5A, byte1, page, 0, 0, 0, 0, Machine::B(allocation, 8), Machine::B(allocation, 0), 0},
      120);
}

TEST(SimDriveModeSense, SixBytePage01WithBlockDescriptor) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const auto o = ModeSense6(m, 0x01);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.Transferred(), Cat({{0x17, 0, 0, 0x08}, kDescriptor2048, kPage01}));
}

TEST(SimDriveModeSense, TenBytePage01AndPage2A) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  auto o = ModeSense10(m, 0x01);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.Transferred(), Cat({{0x00, 0x1A, 0, 0, 0, 0, 0x00, 0x08}, kDescriptor2048, kPage01}));
  o = ModeSense10(m, 0x2A, 120, 0x08);  // DBD
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.Transferred(), Cat({{0x00, 0x20, 0, 0, 0, 0, 0x00, 0x00}, kPage2A}));
}

TEST(SimDriveModeSense, AllPagesAndPageControl) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  auto o = ModeSense6(m, 0x3F, 255, 0x08);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.Transferred(), Cat({{41, 0, 0, 0}, kPage01, kPage2A}));
  EXPECT_EQ(ModeSense6(m, 0xC1).Triple(), "05/39/00");  // saved values
  EXPECT_EQ(ModeSense6(m, 0x0E).Triple(), "05/24/00");  // a page the drive does not have
  o = ModeSense6(m, 0x41);                              // changeable values: only the block length
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.Transferred(), Cat({{0x17, 0, 0, 0x08},
                                  {0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF},
                                  {0x01, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}));
}

TEST(SimDriveModeSense, ReplyIsCutAtTheAllocationButAnnouncesItsFullLength) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const auto o = ModeSense10(m, 0x2A, 10);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 10u);
  EXPECT_EQ(o.data[1], 8 + 8 + 26 - 2);
  EXPECT_EQ(o.data[10], 0xEE);
}

TEST(SimDriveModeSense, CurrentSpeedFollowsSetCdSpeed) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  ASSERT_TRUE(m.NoData({0xBB, 0, 0x0D, 0xC0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).good());  // 3520 kB/s
  const auto o = ModeSense10(m, 0x2A, 120, 0x08);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.data[8 + 14], 0x0D);
  EXPECT_EQ(o.data[8 + 15], 0xC0);
}

struct QuirkCase {
  const char* name;
  FirmwareQuirks quirks;
  std::uint8_t page;
  bool tenByte;
  std::string triple;
  Bytes reply;  // checked when the command succeeds
};

FirmwareQuirks Quirk(void (*set)(FirmwareQuirks&)) {
  FirmwareQuirks q;
  set(q);
  return q;
}

TEST(SimDriveModeSense, FirmwareQuirks) {
  const std::vector<QuirkCase> cases = {
      {"rejects10",
       Quirk([](FirmwareQuirks& q) { q.rejectsModeSense10 = true; }),
       0x01,
       true,
       "05/20/00",
       {}},
      {"rejects10 keeps 6", Quirk([](FirmwareQuirks& q) { q.rejectsModeSense10 = true; }), 0x01,
       false, "GOOD", Cat({{0x17, 0, 0, 0x08}, kDescriptor2048, kPage01})},
      {"short header: page at byte 4",
       Quirk([](FirmwareQuirks& q) { q.modeSense10ShortHeader = true; }), 0x01, true, "GOOD",
       Cat({{0x0F, 0, 0, 0x00}, kPage01})},
      {"short header leaves MODE SENSE(6) alone",
       Quirk([](FirmwareQuirks& q) { q.modeSense10ShortHeader = true; }), 0x01, false, "GOOD",
       Cat({{0x17, 0, 0, 0x08}, kDescriptor2048, kPage01})},
      {"short header, no descriptors", Quirk([](FirmwareQuirks& q) {
         q.modeSense10ShortHeader = true;
         q.noBlockDescriptors = true;
       }),
       0x01, true, "GOOD", Cat({{0x0F, 0, 0, 0x00}, kPage01})},
      {"no descriptors 10", Quirk([](FirmwareQuirks& q) { q.noBlockDescriptors = true; }), 0x01,
       true, "GOOD", Cat({{0x00, 0x12, 0, 0, 0, 0, 0, 0}, kPage01})},
      {"no descriptors 6", Quirk([](FirmwareQuirks& q) { q.noBlockDescriptors = true; }), 0x2A,
       false, "GOOD", Cat({{0x1D, 0, 0, 0}, kPage2A})},
      {"2A missing",
       Quirk([](FirmwareQuirks& q) {
         q.capabilitiesPage = FirmwareQuirks::CapabilitiesPage::Missing;
       }),
       0x2A,
       true,
       "05/24/00",
       {}},
      {"2A missing keeps 01", Quirk([](FirmwareQuirks& q) {
         q.capabilitiesPage = FirmwareQuirks::CapabilitiesPage::Missing;
       }),
       0x01, false, "GOOD", Cat({{0x17, 0, 0, 0x08}, kDescriptor2048, kPage01})},
  };
  for (const QuirkCase& c : cases) {
    SCOPED_TRACE(c.name);
    SimDriveConfig config = QuietConfig();
    config.quirks = c.quirks;
    SimDrive drive(config);
    Machine m(drive);
    const auto o = c.tenByte ? ModeSense10(m, c.page) : ModeSense6(m, c.page);
    EXPECT_EQ(o.Triple(), c.triple);
    if (o.good()) {
      EXPECT_EQ(o.Transferred(), c.reply);
    }
  }
}

TEST(SimDriveModeSense, CapabilitiesAnsweredWithAnotherPageCode) {
  SimDriveConfig config = QuietConfig();
  config.quirks.capabilitiesPage = FirmwareQuirks::CapabilitiesPage::OtherPageCode;
  config.quirks.capabilitiesAnswerCode = 0x0D;
  SimDrive drive(config);
  Machine m(drive);
  const auto o = ModeSense10(m, 0x2A);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.data[16], 0x0D);  // the page position after header and descriptor
  EXPECT_EQ(o.data[17], 0x18);
  drive.SetQuirks({});
  EXPECT_EQ(ModeSense10(m, 0x2A).data[16], 0x2A);
}

TEST(SimDriveModeSelect, SixAndTenByteFormsSwitchTheBlockLength) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  // The lists as the drive reported them, MDL zeroed, block length changed.
  auto o = m.Out({0x15, 0x10, 0, 0, 24, 0}, Cat({{0, 0, 0, 8}, kDescriptor2352, kPage01}));
  EXPECT_TRUE(o.good());
  EXPECT_EQ(drive.BlockLength(), 2352);
  EXPECT_EQ(ModeSense6(m, 0x01).Transferred(), Cat({{0x17, 0, 0, 0x08}, kDescriptor2352, kPage01}));
  o = m.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 28, 0},
            Cat({{0, 0, 0, 0, 0, 0, 0, 8}, kDescriptor2048, kPage01}));
  EXPECT_TRUE(o.good());
  EXPECT_EQ(drive.BlockLength(), 2048);
  // Only the descriptor, no page.
  o = m.Out({0x15, 0x10, 0, 0, 12, 0}, Cat({{0, 0, 0, 8}, kDescriptor2352}));
  EXPECT_TRUE(o.good());
  EXPECT_EQ(drive.BlockLength(), 2352);
  // A zero list length changes nothing.
  EXPECT_TRUE(m.Out({0x15, 0x10, 0, 0, 0, 0}, Bytes(4, 0)).good());
  EXPECT_EQ(drive.BlockLength(), 2352);
}

TEST(SimDriveModeSelect, MalformedListsAreRejected) {
  struct Case {
    const char* name;
    std::uint8_t listLength;
    Bytes list;
  };
  const std::vector<Case> cases = {
      {"shorter than the header", 3, {0, 0, 0}},
      {"mode data length set", 24, Cat({{0x17, 0, 0, 8}, kDescriptor2352, kPage01})},
      {"descriptor length 4", 24, Cat({{0, 0, 0, 4}, kDescriptor2352, kPage01})},
      {"descriptor cut off", 8, Cat({{0, 0, 0, 8}, kDescriptor2352})},
      {"block length 2336", 12, Cat({{0, 0, 0, 8}, {0, 0, 0, 0, 0, 0, 0x09, 0x20}})},
      {"block length 512", 12, Cat({{0, 0, 0, 8}, {0, 0, 0, 0, 0, 0, 0x02, 0x00}})},
      {"page cut off", 20, Cat({{0, 0, 0, 8}, kDescriptor2352, kPage01})},
      {"page length wrong", 24,
       Cat({{0, 0, 0, 8}, kDescriptor2352, {0x01, 0x08, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0}})},
      {"capabilities page", 38, Cat({{0, 0, 0, 8}, kDescriptor2352, kPage2A})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimDrive drive(QuietConfig());
    Machine m(drive);
    EXPECT_EQ(m.Out({0x15, 0x10, 0, 0, c.listLength, 0}, c.list).Triple(), "05/26/00");
    EXPECT_EQ(drive.BlockLength(), 2048);
  }
}

TEST(SimDriveModeSelect, TenByteFormRejectedWithModeSense10) {
  SimDriveConfig config = QuietConfig();
  config.quirks.rejectsModeSense10 = true;
  SimDrive drive(config);
  Machine m(drive);
  EXPECT_EQ(m.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 28, 0},
                  Cat({{0, 0, 0, 0, 0, 0, 0, 8}, kDescriptor2352, kPage01}))
                .Triple(),
            "05/20/00");
  EXPECT_EQ(drive.BlockLength(), 2048);
}

}  // namespace
}  // namespace sim
