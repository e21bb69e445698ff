// The command rows' guard: the block length each opcode group fixes, which every row must
// match (checked when scsi/Commands.h compiles).
#include "scsi/Commands.h"

#include <gtest/gtest.h>

namespace scsi {
namespace {

TEST(Commands, GroupLengthsAsTheOpcodeGroupsFixThem) {
  const struct {
    std::uint8_t opcode;
    std::uint8_t length;
  } cases[] = {
      {0x00, 6}, {0x1F, 6},  {0x20, 10}, {0x25, 10}, {0x46, 10}, {0x5F, 10}, {0x60, 0},
      {0x7F, 0}, {0x88, 16}, {0x9F, 16}, {0xA0, 12}, {0xBE, 12}, {0xC0, 0},  {0xFF, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GroupCdbLength(c.opcode), c.length) << int(c.opcode);
  }
}

}  // namespace
}  // namespace scsi
