#include "scsi/Names.h"

#include <gtest/gtest.h>

#include <string>

namespace scsi {
namespace {

std::string Text(const char* name) {
  return name != nullptr ? name : "(none)";
}

TEST(Names, TraceNames) {
  EXPECT_EQ(Text(OpcodeName(0x28)), "READ(10)");
  EXPECT_EQ(Text(OpcodeName(0xBE)), "READ CD");
  EXPECT_EQ(Text(OpcodeName(0x5A)), "MODE SENSE(10)");
  EXPECT_EQ(Text(OpcodeName(0xFF)), "(none)");
  EXPECT_EQ(Text(StatusName(0x02)), "CHECK CONDITION");
  EXPECT_EQ(Text(SenseName({0x05, 0x24, 0x00})), "INVALID FIELD IN CDB");
  EXPECT_EQ(Text(SenseName({0x02, 0x3A, 0x00})), "MEDIUM NOT PRESENT");
  EXPECT_EQ(Text(SenseName({0x0B, 0x00, 0x00})), "ABORTED COMMAND");  // no ASC: the key
  EXPECT_EQ(Text(SenseName({0x05, 0x99, 0x42})), "ILLEGAL REQUEST");  // unknown code: the key
  EXPECT_EQ(Text(SenseName({0x00, 0x00, 0x00})), "(none)");
}

}  // namespace
}  // namespace scsi
