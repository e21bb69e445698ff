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

}  // namespace
}  // namespace sim
