#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drive/AspiTools.h"
#include "drive/ScrambleTable.h"

namespace {

struct MsfCase {
  LONG lba;
  BYTE m, s, f;
};

TEST(AspiToolsTest, LBAtoMSF) {
  const MsfCase cases[] = {
      {0, 0, 2, 0},       {-150, 0, 0, 0},      {-151, 99, 59, 74},   {300000, 66, 42, 0},
      {10000, 2, 15, 25}, {300027, 66, 42, 27}, {74, 0, 2, 74},       {75, 0, 3, 0},
      {-1, 0, 1, 74},     {-45150, 90, 0, 0},   {449849, 99, 59, 74}, {359849, 79, 59, 74},
  };
  for (const MsfCase& c : cases) {
    const MSF msf = AspiTools::LBAtoMSF(c.lba);
    EXPECT_EQ(msf.M, c.m) << "lba " << c.lba;
    EXPECT_EQ(msf.S, c.s) << "lba " << c.lba;
    EXPECT_EQ(msf.F, c.f) << "lba " << c.lba;
  }
}

TEST(AspiToolsTest, LBAtoMSFOfTheHighestAddressesDoesNotOverflow) {
  // LBA + 150 passes 2^31 - 1 from 2147483498 on: minutes modulo 256, as for any large LBA.
  const MsfCase cases[] = {
      {2147483497, 34, 35, 22}, {2147483498, 34, 35, 23}, {2147483647, 34, 37, 22}};
  for (const MsfCase& c : cases) {
    const MSF msf = AspiTools::LBAtoMSF(c.lba);
    EXPECT_EQ(msf.M, c.m) << "lba " << c.lba;
    EXPECT_EQ(msf.S, c.s) << "lba " << c.lba;
    EXPECT_EQ(msf.F, c.f) << "lba " << c.lba;
  }
}

TEST(AspiToolsTest, SecondsStayBelowSixtyWhenMinutesOverflowTheirByte) {
  // 256 minutes and 10 seconds past the offset: the minutes wrap, the seconds do not.
  const MSF msf = AspiTools::LBAtoMSF(256 * 4500 + 10 * 75 + 3 - 150);
  EXPECT_EQ(msf.M, 0);
  EXPECT_EQ(msf.S, 10);
  EXPECT_EQ(msf.F, 3);
}

TEST(AspiToolsTest, Swap32ReversesBytesInMemoryAndBack) {
  DWORD v = 0x800;
  AspiTools::Swap32(v);
  BYTE bytes[4];
  std::memcpy(bytes, &v, 4);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x08);
  EXPECT_EQ(bytes[3], 0x00);
  AspiTools::Swap32(v);
  EXPECT_EQ(v, 0x800u);

  DWORD w = 0x12345678;
  AspiTools::Swap32(w);
  EXPECT_EQ(w, 0x78563412u);
}

TEST(AspiToolsTest, Swap16ExchangesBytesInMemoryAndBack) {
  WORD v = 0x0930;  // 2352
  AspiTools::Swap16(v);
  BYTE bytes[2];
  std::memcpy(bytes, &v, 2);
  EXPECT_EQ(bytes[0], 0x09);
  EXPECT_EQ(bytes[1], 0x30);
  AspiTools::Swap16(v);
  EXPECT_EQ(v, 0x0930);
}

bool BitAt(const BYTE* bytes, std::size_t n) {
  return (bytes[n / 8] >> (n % 8)) & 1;
}

TEST(ScrambleTableTest, StartsWithTheKnownBytes) {
  ScrambleTable table;
  EXPECT_EQ(table.Table[0], 0x01);
  EXPECT_EQ(table.Table[1], 0x80);
  EXPECT_EQ(table.Table[2], 0x00);
  EXPECT_EQ(table.Table[3], 0x60);
}

TEST(ScrambleTableTest, FollowsTheShiftRegisterRecurrence) {
  // x^15 + x + 1, least significant bit first: the register starts at 0001h, so the first
  // 15 output bits are 1 followed by 14 zeros, and every later bit is the XOR of the bits
  // 15 and 14 places before it.
  ScrambleTable table;
  const BYTE* bytes = table.Table;
  EXPECT_TRUE(BitAt(bytes, 0));
  for (std::size_t n = 1; n < 15; ++n) EXPECT_FALSE(BitAt(bytes, n)) << n;
  std::size_t wrong = 0;
  for (std::size_t n = 15; n < kScrambleTableSize * 8; ++n) {
    if (BitAt(bytes, n) != (BitAt(bytes, n - 15) ^ BitAt(bytes, n - 14))) ++wrong;
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(ScrambleTableTest, SequenceHasTheFullPeriodOfTheRegister) {
  // 2^15 - 1 bits; in bytes the sequence repeats after 32767 bytes and after no divisor.
  constexpr std::size_t kPeriod = 32767;
  std::vector<BYTE> seq(2 * kPeriod);
  ScrambleTable::Generate(seq.data(), static_cast<DWORD>(seq.size()));
  EXPECT_EQ(std::memcmp(seq.data(), seq.data() + kPeriod, kPeriod), 0);
  for (std::size_t divisor : {7u, 31u, 151u}) {
    const std::size_t shorter = kPeriod / divisor;
    EXPECT_NE(std::memcmp(seq.data(), seq.data() + shorter, kPeriod), 0) << shorter;
  }
  ScrambleTable table;
  EXPECT_EQ(std::memcmp(seq.data(), table.Table, kScrambleTableSize), 0);
}

TEST(ScrambleTableTest, EveryObjectRefersToTheOneTable) {
  ScrambleTable a;
  ScrambleTable b;
  EXPECT_EQ(&a.Table[0], &b.Table[0]);
}

}  // namespace
