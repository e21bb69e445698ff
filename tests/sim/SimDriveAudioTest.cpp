// The simulated drive's audio model: C2 error pointers as each kind of drive delivers them,
// damaged sectors that read differently from the disc but the same from the cache.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

// READ(12) at 2,352-byte blocks: a re-read with FUA comes off the disc (it costs the disc's
// time) only on a drive that honours it; a drive that does not read audio with READ(12)
// refuses. Page 2Ah and feature 001Eh claim C2 pointers as the model does.
TEST(SimDriveAudio, Read12ForceUnitAccessAndTheClaims) {
  struct Case {
    bool read12, fua;
    C2Pointers c2;
    const char* answer;
    bool fromDisc;  // the FUA re-read
  };
  const Case cases[] = {
      {true, true, C2Pointers::Exact, "GOOD", true},
      {true, false, C2Pointers::Missing, "GOOD", false},
      {false, true, C2Pointers::NotSupported, "05/64/00", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer + std::to_string(c.fua));
    SimDriveConfig config = AudioDrive(c.c2);
    config.blockLength = 2352;
    config.audio.read12OnAudio = c.read12;
    config.audio.fuaHonoured = c.fua;
    config.audio.cdReadFeature = true;
    SimDrive drive(config);
    Machine m(drive);
    auto read12 = [&m](bool fua) {
      return m.In({0xA8, std::uint8_t(fua ? 0x08 : 0), 0, 0, 0x03, 0xE8, 0, 0, 0, 27, 0, 0},
                  27 * 2352);
    };
    ASSERT_EQ(read12(false).Triple(), c.answer);
    const auto again = read12(true);
    ASSERT_EQ(again.Triple(), c.answer);
    if (again.good()) {
      const double disc = drive.TimingModel().DiscMicros(1000, 1027, 40.0);
      EXPECT_EQ(again.reply.serviceMicros > disc, c.fromDisc) << again.reply.serviceMicros;
    }
    const auto page = m.In({0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0, 64, 0}, 64);
    EXPECT_EQ(page.data[8 + 5] & 0x11, c.c2 == C2Pointers::NotSupported ? 0x01 : 0x11);
    const auto feature = m.In({0x46, 0x02, 0x00, 0x1E, 0, 0, 0, 0, 16, 0}, 16);
    ASSERT_EQ(feature.reply.transferred, 16u);
    EXPECT_EQ(feature.data[9], 0x1E);
    EXPECT_EQ(feature.data[12] & 0x02, c.c2 == C2Pointers::NotSupported ? 0 : 0x02);
  }
}

}  // namespace
}  // namespace sim
