// The simulated drive's audio model: C2 error pointers as each kind of drive delivers them,
// damaged sectors that read differently from the disc but the same from the cache.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/scsi/SectorData.h"
#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t kFirst = 1000;
constexpr std::uint32_t kBlocks = 12;

SimDriveConfig AudioDrive(C2Pointers c2) {
  SimDriveConfig config = testing::QuietConfig();
  config.disc = Disc::Audio({20000});
  config.audio.c2 = c2;
  config.audio.falseAlarmEvery = 4;
  config.audio.damagedSectors = {1005, 1010};
  return config;
}

int Bits(const std::uint8_t* p, std::size_t n) {
  int count = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::uint8_t b = p[i]; b; b &= std::uint8_t(b - 1)) ++count;
  return count;
}

TEST(SimDriveAudio, C2PointersAsEachModelDeliversThem) {
  struct Case {
    C2Pointers c2;
    int damaged;     // bits flagged in each damaged sector
    int falseAlarm;  // in each sector at a multiple of 4
  };
  const Case cases[] = {
      {C2Pointers::Exact, 8, 0},
      {C2Pointers::Missing, 0, 0},
      {C2Pointers::FalseAlarms, 8, 4},
  };
  for (const Case& c : cases) {
    for (const std::uint8_t field : {0x01, 0x02}) {
      SCOPED_TRACE(int(c.c2) * 10 + field);
      SimDrive drive(AudioDrive(c.c2));
      Machine m(drive);
      const std::uint32_t size = 2352 + (field == 1 ? 294 : 296);
      const auto o = m.ReadCd(kFirst, kBlocks, std::uint8_t(0xF8 | field << 1), 0, size);
      ASSERT_EQ(o.Triple(), "GOOD");
      ASSERT_EQ(o.reply.transferred, kBlocks * size);
      for (std::uint32_t i = 0; i < kBlocks; ++i) {
        const std::int32_t lba = kFirst + std::int32_t(i);
        const std::uint8_t* sector = o.data.data() + i * size;
        const std::uint8_t* extra = sector + 2352;
        const bool damaged = lba == 1005 || lba == 1010;
        const int want = damaged ? c.damaged : lba % 4 == 0 ? c.falseAlarm : 0;
        EXPECT_EQ(Bits(extra + (field == 2 ? 2 : 0), 294), want) << lba;
        if (field == 2) {
          EXPECT_EQ(extra[0] != 0, want != 0) << lba;  // the block error byte
          EXPECT_EQ(extra[1], 0) << lba;
        }
        Bytes samples(2352);
        SectorData::AudioSamples(lba, samples.data());
        EXPECT_EQ(std::memcmp(sector, samples.data(), 2352) != 0, damaged) << lba;
      }
    }
  }
}

TEST(SimDriveAudio, DamagedSectorsDifferFromTheDiscButRepeatFromTheCache) {
  SimDrive drive(AudioDrive(C2Pointers::Exact));
  Machine m(drive);
  const auto first = m.ReadCd(kFirst, kBlocks);
  const auto cached = m.ReadCd(kFirst, kBlocks);  // the cache holds the range
  m.Seek(15000);                                  // empties it
  const auto again = m.ReadCd(kFirst, kBlocks);
  for (std::uint32_t i = 0; i < kBlocks; ++i) {
    const bool damaged = kFirst + std::int32_t(i) == 1005 || kFirst + std::int32_t(i) == 1010;
    const auto at = [i](const auto& o) { return o.data.begin() + i * 2352; };
    EXPECT_TRUE(std::equal(at(first), at(first) + 2352, at(cached))) << i;
    EXPECT_EQ(std::equal(at(first), at(first) + 2352, at(again)), !damaged) << i;
  }
}

TEST(SimDriveAudio, RefusalsOfC2AndAudio) {
  SimDrive plain(AudioDrive(C2Pointers::NotSupported));
  Machine m(plain);
  EXPECT_EQ(m.ReadCd(kFirst, 1, 0xFA, 0, 2646).Triple(), "05/24/00");
  SimDrive exact(AudioDrive(C2Pointers::Exact));
  Machine e(exact);
  EXPECT_EQ(e.ReadCd(kFirst, 1, 0xFE, 0, 2648).Triple(), "05/24/00");  // 11b is reserved
  SimDriveConfig noCdda = AudioDrive(C2Pointers::Exact);
  noCdda.audio.cdda = false;
  SimDrive deaf(noCdda);
  Machine d(deaf);
  EXPECT_EQ(d.ReadCd(kFirst, 1).Triple(), "05/64/00");
  EXPECT_EQ(d.ReadCd(kFirst, 1, 0xFA, 0, 2646).Triple(), "05/64/00");
}

}  // namespace
}  // namespace sim
