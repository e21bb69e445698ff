// READ CD with C2 error pointers: the command block, and replies cut at every kind of
// boundary parsed without reading past what arrived.
#include "scsi/ReadCdC2.h"

#include <gtest/gtest.h>

#include <vector>

namespace scsi {
namespace {

TEST(ReadCdC2, CommandBlockSetsTheC2FieldAndMasksTheRest) {
  using Cdb = std::array<std::uint8_t, 12>;
  EXPECT_EQ(ReadCdC2Cdb(300000, 0x01000001, 0xFF, C2Field::Bits),
            (Cdb{0xBE, 0x1C, 0x00, 0x04, 0x93, 0xE0, 0x00, 0x00, 0x01, 0xFA, 0, 0}));
  EXPECT_EQ(ReadCdC2Cdb(-1, 27, 0x04, C2Field::BlockErrorAndBits),
            (Cdb{0xBE, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 27, 0xFC, 0, 0}));
  EXPECT_EQ(C2SectorBytes(C2Field::Bits), 2646u);
  EXPECT_EQ(C2SectorBytes(C2Field::BlockErrorAndBits), 2648u);
}

TEST(ReadCdC2, RepliesAreParsedOnlyAsFarAsWholeSectorsArrived) {
  struct Case {
    C2Field field;
    std::uint32_t blocks;
    std::size_t received;  // bytes of the reply that arrived
    std::size_t sectors;
  };
  const Case cases[] = {
      {C2Field::Bits, 3, 3 * 2646, 3},
      {C2Field::Bits, 3, 3 * 2646 - 1, 2},           // the last sector cut short
      {C2Field::Bits, 2, 3 * 2646, 2},               // more than was asked for
      {C2Field::BlockErrorAndBits, 3, 3 * 2646, 2},  // 2,648 a sector, not 2,646
      {C2Field::BlockErrorAndBits, 3, 3 * 2648, 3},
      {C2Field::Bits, 3, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.received);
    const std::size_t size = C2SectorBytes(c.field);
    std::vector<std::uint8_t> reply(c.received, 0);
    // Sector 1 flags bytes 0-3 and 2,351; with 10b its block error byte is set.
    if (c.sectors > 1) {
      const std::size_t bits = size + 2352 + (c.field == C2Field::Bits ? 0 : 2);
      reply[bits] = 0xF0;
      reply[bits + 293] = 0x01;
      if (c.field == C2Field::BlockErrorAndBits) reply[size + 2352] = 0xF1;
    }
    const auto parsed = ParseReadCdC2(reply.data(), reply.size(), c.blocks, c.field);
    ASSERT_EQ(parsed.size(), c.sectors);
    for (std::size_t i = 0; i < parsed.size(); ++i) {
      EXPECT_EQ(parsed[i].samplesOffset, i * size);
      EXPECT_EQ(parsed[i].flaggedBytes, i == 1 ? 5u : 0u);
      EXPECT_EQ(parsed[i].blockError, i == 1 && c.field == C2Field::BlockErrorAndBits ? 0xF1 : 0);
      EXPECT_EQ(parsed[i].Flagged(), i == 1);
    }
  }
  EXPECT_TRUE(ParseReadCdC2(nullptr, 2646, 1, C2Field::Bits).empty());
}

}  // namespace
}  // namespace scsi
