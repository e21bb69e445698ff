// READ(10), READ CD and READ CD MSF: what each returns on data and audio tracks, the
// fields READ CD serves, and the errors for what the drive does not serve.
#include <gtest/gtest.h>

#include "sim/scsi/SectorData.h"
#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;
using Bytes = std::vector<std::uint8_t>;

SimDriveConfig WithDisc(Disc disc) {
  SimDriveConfig config = QuietConfig();
  config.disc = std::move(disc);
  return config;
}

Bytes Block(void (*make)(std::int32_t, std::uint8_t*), std::int32_t lba, std::size_t size) {
  Bytes b(size);
  make(lba, b.data());
  return b;
}

Bytes Slice(const Bytes& data, std::size_t from, std::size_t length) {
  return {data.begin() + from, data.begin() + from + length};
}

TEST(SimDriveRead, Read10ReturnsUserDataBlockByBlock) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const auto o = m.Read10(1000, 27, 2048);
  ASSERT_TRUE(o.good());
  ASSERT_EQ(o.reply.transferred, 27u * 2048);
  for (int i = 0; i < 27; ++i) {
    const Bytes block = Slice(o.data, i * 2048, 2048);
    const std::uint32_t lba = 1000 + i;
    EXPECT_EQ(Slice(block, 0, 8), (Bytes{0, 0, Machine::B(lba, 8), Machine::B(lba, 0), 0xFF, 0xFF,
                                         Machine::B(~lba, 8), Machine::B(~lba, 0)}));
    EXPECT_EQ(block, Block(SectorData::UserData, 1000 + i, 2048));
  }
  EXPECT_NE(Slice(o.data, 8, 2040), Slice(o.data, 2048 + 8, 2040));
}

TEST(SimDriveRead, RangeChecksAgainstTheLeadOut) {
  SimDrive drive(WithDisc(Disc::Data(5000)));
  Machine m(drive);
  EXPECT_EQ(m.Read10(4999, 1, 2048).Triple(), "GOOD");
  EXPECT_EQ(m.Read10(4999, 2, 2048).Triple(), "05/21/00");
  EXPECT_EQ(m.Read10(5000, 1, 2048).Triple(), "05/21/00");
  EXPECT_EQ(m.Read10(0xFFFFFFFF, 1, 2048).Triple(), "05/21/00");
  EXPECT_EQ(m.ReadCd(4990, 11).Triple(), "05/21/00");
  EXPECT_EQ(m.Seek(4999).Triple(), "GOOD");
  EXPECT_EQ(m.Seek(5000).Triple(), "05/21/00");
  const auto zero = m.Read10(4000, 0, 2048);
  EXPECT_TRUE(zero.good());
  EXPECT_EQ(zero.reply.transferred, 0u);
}

TEST(SimDriveRead, Read10OnAudioIsIllegalModeAtUserDataLength) {
  SimDrive drive(WithDisc(Disc::Mixed(1000, {2000})));
  Machine m(drive);
  EXPECT_EQ(m.Read10(1500, 10, 2048).Triple(), "05/64/00");
  EXPECT_EQ(m.Read10(990, 20, 2048).Triple(), "05/64/00");  // running into the audio track
  EXPECT_EQ(m.Read10(980, 20, 2048).Triple(), "GOOD");
}

TEST(SimDriveRead, Read10AtRawLengthGivesRawSectorsAndSamples) {
  SimDrive drive(WithDisc(Disc::Mixed(1000, {2000})));
  Machine m(drive);
  ASSERT_TRUE(m.Out({0x15, 0x10, 0, 0, 12, 0}, {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}).good());
  const auto o = m.Read10(999, 2, 2352);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(Slice(o.data, 0, 2352), Block(SectorData::RawMode1, 999, 2352));
  EXPECT_EQ(Slice(o.data, 2352, 2352), Block(SectorData::AudioSamples, 1000, 2352));
}

TEST(SimDriveRead, ReadCdFullSectorsOfDataAndAudio) {
  SimDrive drive(WithDisc(Disc::Mixed(1000, {2000})));
  Machine m(drive);
  auto o = m.ReadCd(998, 4);
  ASSERT_TRUE(o.good());
  ASSERT_EQ(o.reply.transferred, 4u * 2352);
  const Bytes sync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(Slice(o.data, 0, 12), sync);
  EXPECT_EQ(Slice(o.data, 12, 4), (Bytes{0x00, 0x15, 0x23, 0x01}));  // 998 + 150 = 00:15:23
  EXPECT_EQ(Slice(o.data, 16, 2048), Block(SectorData::UserData, 998, 2048));
  EXPECT_EQ(Slice(o.data, 2352, 2352), Block(SectorData::RawMode1, 999, 2352));
  EXPECT_EQ(Slice(o.data, 2 * 2352, 2352), Block(SectorData::AudioSamples, 1000, 2352));
  EXPECT_EQ(Slice(o.data, 3 * 2352, 4), (Bytes{0xA5, 0xA5, 0xA6, 0x4C}));  // 1001 ^ A5A5A5A5h
  // The expected sector type must match the track.
  EXPECT_EQ(m.ReadCd(1500, 2, 0xF8, 1 << 2).Triple(), "GOOD");      // CD-DA
  EXPECT_EQ(m.ReadCd(500, 2, 0xF8, 2 << 2).Triple(), "GOOD");       // Mode 1
  EXPECT_EQ(m.ReadCd(500, 2, 0xF8, 1 << 2).Triple(), "05/64/00");   // CD-DA on data
  EXPECT_EQ(m.ReadCd(1500, 2, 0xF8, 2 << 2).Triple(), "05/64/00");  // Mode 1 on audio
  EXPECT_EQ(m.ReadCd(500, 2, 0xF8, 4 << 2).Triple(), "05/64/00");   // Mode 2 Form 1
  EXPECT_EQ(m.ReadCd(998, 4, 0xF8, 2 << 2).Triple(), "05/64/00");   // across the boundary
  EXPECT_EQ(m.ReadCd(500, 2, 0xF8, 6 << 2).Triple(), "05/24/00");   // reserved type
}

TEST(SimDriveRead, ReadCdFieldSelections) {
  struct Case {
    std::uint8_t flags;
    std::uint32_t bytes;  // 0: not served (05/24/00)
    std::size_t from;     // where in the raw sector the reply starts
  };
  const std::vector<Case> cases = {
      {0xF8, 2352, 0},  {0xB8, 2352, 0}, {0x10, 2048, 16}, {0x30, 2052, 12}, {0x38, 2340, 12},
      {0x18, 2336, 16}, {0x20, 4, 12},   {0xA0, 16, 0},    {0xB0, 2064, 0},  {0x00, 0, 0},
      {0x80, 0, 0},     {0x08, 0, 0},    {0x40, 0, 0},     {0xFA, 0, 0},     {0xFC, 0, 0},
  };
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const Bytes raw = Block(SectorData::RawMode1, 7000, 2352);
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.flags));
    const auto o = m.ReadCd(7000, 1, c.flags);
    const bool served = c.bytes > 0 || c.flags == 0x00;
    ASSERT_EQ(o.Triple(), served ? "GOOD" : "05/24/00");
    EXPECT_EQ(o.reply.transferred, c.bytes);
    if (c.bytes) {
      EXPECT_EQ(Slice(o.data, 0, c.bytes), Slice(raw, c.from, c.bytes));
    }
  }
  // Sub-channel data is not served.
  EXPECT_EQ(m.In({0xBE, 0, 0, 0, 0x1B, 0x58, 0, 0, 1, 0xF8, 0x01, 0}, 2448).Triple(), "05/24/00");
}

TEST(SimDriveRead, ReadCdHasATwentyFourBitCount) {
  SimDrive drive(WithDisc(Disc::Data(100000)));
  Machine m(drive);
  // 010002h blocks from 99900 run past the lead-out; a drive reading only byte 8 would
  // see 2 blocks and succeed.
  const std::uint32_t lba = 99900;
  EXPECT_EQ(m.In({0xBE, 0, 0, Machine::B(lba, 16), Machine::B(lba, 8), Machine::B(lba, 0), 0x01,
                  0x00, 0x02, 0xF8, 0, 0},
                 2 * 2352)
                .Triple(),
            "05/21/00");
  // 2 blocks read into a 1-block area: one block moves, nothing beyond.
  const auto o = m.In({0xBE, 0, 0, 0, 0, 0, 0, 0, 2, 0xF8, 0, 0}, 2352);
  EXPECT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 2352u);
}

TEST(SimDriveRead, ReadCdMsfEndIsExclusive) {
  SimDrive drive(WithDisc(Disc::Data(Disc::Blocks(70, 0))));
  Machine m(drive);
  // 66:42:00 to 66:42:27 is LBA 300000, 27 blocks.
  auto o = m.In({0xB9, 0, 0, 66, 42, 0, 66, 42, 27, 0xF8, 0, 0}, 27 * 2352);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 27u * 2352);
  EXPECT_EQ(Slice(o.data, 0, 2352), Block(SectorData::RawMode1, 300000, 2352));
  EXPECT_EQ(Slice(o.data, 26 * 2352, 2352), Block(SectorData::RawMode1, 300026, 2352));
  o = m.In({0xB9, 0, 0, 0, 2, 0, 0, 2, 0, 0xF8, 0, 0}, 2352);  // empty range
  EXPECT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 0u);
  EXPECT_EQ(m.In({0xB9, 0, 0, 0, 2, 5, 0, 2, 4, 0xF8, 0, 0}, 2352).Triple(), "05/24/00");
  EXPECT_EQ(m.In({0xB9, 0, 0, 0, 2, 75, 0, 3, 0, 0xF8, 0, 0}, 2352).Triple(), "05/24/00");
  // Up to the lead-out (70:02:00) is readable, one frame more is not.
  EXPECT_TRUE(m.In({0xB9, 0, 0, 70, 1, 74, 70, 2, 0, 0xF8, 0, 0}, 2352).good());
  EXPECT_EQ(m.In({0xB9, 0, 0, 70, 1, 74, 70, 2, 1, 0xF8, 0, 0}, 4704).Triple(), "05/21/00");
}

TEST(SimDriveRead, WholeAudioDiscMatchesTheModel) {
  SimDrive drive(WithDisc(Disc::Audio({4500, 3000, 1500})));
  Machine m(drive);
  for (std::uint32_t lba = 0; lba < 9000; lba += 27) {
    const std::uint32_t n = std::min<std::uint32_t>(27, 9000 - lba);
    const auto o = m.ReadCd(lba, n);
    ASSERT_TRUE(o.good()) << lba;
    for (std::uint32_t i = 0; i < n; ++i)
      ASSERT_EQ(Slice(o.data, i * 2352, 2352),
                Block(SectorData::AudioSamples, static_cast<std::int32_t>(lba + i), 2352));
  }
}

}  // namespace
}  // namespace sim
