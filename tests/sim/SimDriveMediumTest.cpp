// What the drive says about the medium: GET CONFIGURATION's current profile and profile list
// for each request type and disc, and READ CAPACITY's last block and block length.
#include <gtest/gtest.h>

#include <optional>

#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;
using Bytes = std::vector<std::uint8_t>;

testing::Outcome GetConfiguration(Machine& m, std::uint8_t requestType, std::uint16_t start,
                                  std::uint16_t allocation) {
  return m.In({0x46, requestType, Machine::B(start, 8), Machine::B(start, 0), 0, 0, 0,
               Machine::B(allocation, 8), Machine::B(allocation, 0), 0},
              64);
}

SimDriveConfig Holding(std::optional<Disc> disc) {
  SimDriveConfig config = QuietConfig();
  config.disc = std::move(disc);
  return config;
}

// The header (data length, current profile) and the profile list: CD-ROM, current or not.
Bytes WithProfileList(std::uint16_t current, bool cdCurrent) {
  return {
      0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, Machine::B(current, 8),          Machine::B(current, 0),
      0x00, 0x00, 0x03, 0x04, 0x00, 0x08, std::uint8_t(cdCurrent ? 1 : 0), 0x00};
}
Bytes HeaderOnly(std::uint16_t current) {
  return {0x00, 0x00, 0x00, 0x04, 0x00, 0x00, Machine::B(current, 8), Machine::B(current, 0)};
}

TEST(SimDriveMedium, GetConfigurationNamesTheCurrentProfile) {
  const struct {
    const char* name;
    std::optional<Disc> disc;
    std::uint8_t requestType;
    std::uint16_t start;
    Bytes reply;
  } cases[] = {
      {"data disc, all features", Disc::Data(), 0, 0, WithProfileList(0x0008, true)},
      {"audio disc, all features", Disc::Audio({Disc::Blocks(4, 0)}), 0, 0,
       WithProfileList(0x0008, true)},
      {"data disc, current features", Disc::Data(), 1, 0, WithProfileList(0x0008, true)},
      {"data disc, the profile list alone", Disc::Data(), 2, 0, WithProfileList(0x0008, true)},
      {"data disc, from feature 1 on", Disc::Data(), 0, 1, HeaderOnly(0x0008)},
      {"data disc, feature 1 alone", Disc::Data(), 2, 1, HeaderOnly(0x0008)},
      {"no disc", std::nullopt, 0, 0, WithProfileList(0x0000, false)},
      {"blank disc", Disc::Blank(), 0, 0, WithProfileList(0x0000, false)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimDrive drive(Holding(c.disc));
    Machine m(drive);
    const testing::Outcome o = GetConfiguration(m, c.requestType, c.start, 64);
    ASSERT_EQ(o.Triple(), "GOOD");
    EXPECT_EQ(o.Transferred(), c.reply);
  }
}

TEST(SimDriveMedium, GetConfigurationKeepsToTheAllocationAndRefusesTheReservedType) {
  SimDrive drive(Holding(Disc::Data()));
  Machine m(drive);
  const testing::Outcome header = GetConfiguration(m, 0, 0, 8);
  ASSERT_TRUE(header.good());
  EXPECT_EQ(header.Transferred(), (Bytes{0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x08}));
  EXPECT_EQ(header.data[8], 0xEE);
  EXPECT_EQ(GetConfiguration(m, 3, 0, 64).Triple(), "05/24/00");
}

TEST(SimDriveMedium, ReadCapacityIsTheBlockBeforeTheLeadOut) {
  const struct {
    Disc disc;
    Bytes reply;
  } cases[] = {
      {Disc::Data(Disc::Blocks(79, 57)), {0x00, 0x05, 0x7D, 0x5E, 0x00, 0x00, 0x08, 0x00}},
      {Disc::Audio({Disc::Blocks(3, 0), Disc::Blocks(4, 0)}),  // lead-out 31500
       {0x00, 0x00, 0x7B, 0x0B, 0x00, 0x00, 0x08, 0x00}},
  };
  for (const auto& c : cases) {
    SimDrive drive(Holding(c.disc));
    Machine m(drive);
    EXPECT_EQ(m.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).Transferred(), c.reply);
  }
}

// A DVD or BD drive names its disc's profile as current among its own profiles.
TEST(SimDriveMedium, GetConfigurationOfDvdAndBdDrives) {
  const struct {
    const char* name;
    std::vector<std::uint16_t> profiles;
    Disc disc;
    Bytes reply;
  } cases[] = {
      {"DVD drive, DVD",
       {0x0010, 0x0008},
       Disc::DvdRom(2'298'496),
       {0, 0, 0, 0x10, 0, 0, 0x00, 0x10, 0, 0, 3, 8, 0x00, 0x10, 1, 0, 0x00, 0x08, 0, 0}},
      {"DVD drive, CD", {0x0010, 0x0008}, Disc::Data(), {0, 0, 0,    0x10, 0, 0, 0x00, 0x08, 0, 0,
                                                         3, 8, 0x00, 0x10, 0, 0, 0x00, 0x08, 1, 0}},
      {"BD drive, BD",
       {0x0040, 0x0010, 0x0008},
       Disc::BdRom(12'219'392),
       {0,    0,    0, 0x14, 0,    0,    0x00, 0x40, 0,    0,    3, 12,
        0x00, 0x40, 1, 0,    0x00, 0x10, 0,    0,    0x00, 0x08, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimDriveConfig config = Holding(c.disc);
    config.profiles = c.profiles;
    SimDrive drive(config);
    Machine m(drive);
    const testing::Outcome o = GetConfiguration(m, 1, 0, 64);
    ASSERT_EQ(o.Triple(), "GOOD");
    EXPECT_EQ(o.Transferred(), c.reply);
  }
}

// READ DISC STRUCTURE 00h: a DVD's physical format with its layers and sectors; refused for a
// CD or BD, for another format or media type, and for a layer the disc does not have.
TEST(SimDriveMedium, ReadDiscStructureGivesTheDvdsLayers) {
  auto structure = [](Machine& m, std::uint8_t mediaType, std::uint8_t layer, std::uint8_t format) {
    return m.In({0xAD, mediaType, 0, 0, 0, 0, layer, format, 0x08, 0x04, 0, 0}, 0x0804);
  };
  const struct {
    const char* name;
    Disc disc;
    Bytes bytes4To19;  // the reply's bytes 4-19: byte 6, then the sectors
  } discs[] = {
      {"single layer",
       Disc::DvdRom(2'298'496),
       {0x01, 0x02, 0x01, 0x10, 0, 0x03, 0x00, 0x00, 0, 0x26, 0x12, 0x7F, 0, 0, 0, 0}},
      {"opposite track path",
       Disc::DualLayerDvdRom(2'052'096, 1'899'968, true),
       // layer 1 ends at the radius of layer 0's LBA 152128: 30000h + 152128 = 55240h
       {0x01, 0x02, 0x31, 0x10, 0, 0x03, 0x00, 0x00, 0, 0xFA, 0xAD, 0xBF, 0, 0x22, 0x4F, 0xFF}},
      {"parallel track path",
       Disc::DualLayerDvdRom(1'000'000, 5, false),
       {0x01, 0x02, 0x21, 0x10, 0, 0x03, 0x00, 0x00, 0, 0x12, 0x42, 0x3F, 0, 0, 0, 0}},
  };
  for (const auto& d : discs) {
    SCOPED_TRACE(d.name);
    SimDrive drive(Holding(d.disc));
    Machine m(drive);
    const testing::Outcome o = structure(m, 0, 0, 0);
    ASSERT_EQ(o.Triple(), "GOOD");
    ASSERT_EQ(o.reply.transferred, 0x0804u);
    EXPECT_EQ((Bytes{o.data[0], o.data[1]}), (Bytes{0x08, 0x02}));
    EXPECT_EQ(Bytes(o.data.begin() + 4, o.data.begin() + 20), d.bytes4To19);
    EXPECT_EQ(structure(m, 0, std::uint8_t(d.disc.Layers()), 0).Triple(), "05/24/00");
    EXPECT_EQ(structure(m, 0, 0, 0x01).Triple(), "05/24/00");
    EXPECT_EQ(structure(m, 1, 0, 0).Triple(), "05/24/00");
  }
  for (const Disc& other : {Disc::Data(), Disc::BdRom(12'219'392)}) {
    SimDrive drive(Holding(other));
    Machine m(drive);
    EXPECT_EQ(structure(m, 0, 0, 0).Triple(), "05/30/02");
  }
  SimDrive empty(Holding(std::nullopt));
  Machine m(empty);
  EXPECT_EQ(structure(m, 0, 0, 0).Triple(), "02/3A/00");
}

}  // namespace
}  // namespace sim
