// The timing truths of the drive model, checked against the CD geometry computed here:
// CAV, CLV, P-CAV and Z-CLV speeds, the audio cap, seeks by distance, streaming reads and
// the read-ahead cache, SET CD SPEED, and the expected average over a range.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;

// Radius in mm at `lba` for r0 = 25 mm, v = 1.2 m/s, p = 1.6 um.
double Radius(double lba) {
  const double k = 1200.0 * 0.0016 / std::numbers::pi;  // mm^2 per second of playing time
  return std::sqrt(25.0 * 25.0 + k * (lba + 150.0) / 75.0);
}
double CavSpeed(double lba, double max) {
  return max * std::min(1.0, Radius(lba) / 58.0);
}

// Seconds to read [from, to) at `speed(lba)`, summed block by block at block midpoints.
template <class Speed>
double ReadSeconds(std::int32_t from, std::int32_t to, Speed speed) {
  double s = 0.0;
  for (std::int32_t lba = from; lba < to; ++lba) s += 1.0 / (75.0 * speed(lba + 0.5));
  return s;
}

SimDriveConfig Config(DriveTiming timing, Disc disc = Disc::Data()) {
  SimDriveConfig config = QuietConfig();
  config.timing = std::move(timing);
  config.disc = std::move(disc);
  return config;
}

TEST(DriveTiming, CavRunsFromAboutTwentyTwoToFiftyTwo) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  const double inside = drive.ExpectedSpeedAt(0, SpeedMode::Data);
  EXPECT_GT(inside, 21.0);
  EXPECT_LT(inside, 23.0);
  EXPECT_NEAR(inside, CavSpeed(0, 52), 0.01);
  EXPECT_NEAR(drive.ExpectedSpeedAt(180000, SpeedMode::Data), CavSpeed(180000, 52), 0.01);
  EXPECT_NEAR(drive.ExpectedSpeedAt(359774, SpeedMode::Data), 52.0, 1e-9);
  // Audio extraction follows the same curve under its lower cap.
  EXPECT_NEAR(drive.ExpectedSpeedAt(0, SpeedMode::Audio), CavSpeed(0, 40), 0.01);
  EXPECT_NEAR(drive.ExpectedSpeedAt(359774, SpeedMode::Audio), 40.0, 1e-9);
}

TEST(DriveTiming, ClvIsConstantPcavRisesThenHolds) {
  SimDrive clv(Config(DriveTiming::Clv(24, 16)));
  for (std::int32_t lba : {0, 100000, 359774}) {
    EXPECT_DOUBLE_EQ(clv.ExpectedSpeedAt(lba, SpeedMode::Data), 24.0);
    EXPECT_DOUBLE_EQ(clv.ExpectedSpeedAt(lba, SpeedMode::Audio), 16.0);
  }
  SimDrive pcav(Config(DriveTiming::Pcav(32, 32, 0.6)));
  EXPECT_NEAR(pcav.ExpectedSpeedAt(0, SpeedMode::Data), 32 * 0.6 * Radius(0) / 25.0, 0.01);
  EXPECT_LT(pcav.ExpectedSpeedAt(0, SpeedMode::Data), pcav.ExpectedSpeedAt(20000, SpeedMode::Data));
  EXPECT_DOUBLE_EQ(pcav.ExpectedSpeedAt(200000, SpeedMode::Data), 32.0);  // r > 41.7 mm
  EXPECT_DOUBLE_EQ(pcav.ExpectedSpeedAt(359774, SpeedMode::Data), 32.0);
}

TEST(DriveTiming, ZclvStepsZoneByZone) {
  SimDrive drive(Config(DriveTiming::Zclv(48, 40)));
  const double z0 = drive.ExpectedSpeedAt(0, SpeedMode::Data);
  EXPECT_DOUBLE_EQ(drive.ExpectedSpeedAt(89999, SpeedMode::Data), z0);
  const double z1 = drive.ExpectedSpeedAt(90000, SpeedMode::Data);
  EXPECT_GT(z1, z0);
  EXPECT_DOUBLE_EQ(drive.ExpectedSpeedAt(359774, SpeedMode::Data), 48.0);
  SimDrive custom(Config(DriveTiming::Zclv(40, 40, {{0, 0.5}, {1000, 1.0}})));
  Machine m(custom);
  ASSERT_TRUE(m.Seek(900).good());
  const auto o = m.Read10(900, 200, 2048);  // 100 blocks at 20x, 100 at 40x
  ASSERT_TRUE(o.good());
  EXPECT_NEAR(static_cast<double>(o.reply.serviceMicros), 1e6 * (100 / 1500.0 + 100 / 3000.0), 2.0);
}

TEST(DriveTiming, SeekTimeGrowsWithDistance) {
  const DriveTimingModel model(DriveTiming::Cav(52, 40));
  const double full = model.SeekMicros(0, 359774);
  EXPECT_GE(full, 80'000);
  EXPECT_LE(full, 150'000);
  EXPECT_EQ(model.SeekMicros(5000, 5000), 0.0);
  EXPECT_LT(model.SeekMicros(0, 1000), model.SeekMicros(0, 100000));
  EXPECT_LT(model.SeekMicros(0, 100000), full);
  EXPECT_DOUBLE_EQ(model.SeekMicros(100000, 0), model.SeekMicros(0, 100000));

  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  auto o = m.Seek(359774);
  ASSERT_TRUE(o.good());
  EXPECT_NEAR(static_cast<double>(o.reply.serviceMicros), 250 + full, 1.0);
  o = m.Seek(359000);
  EXPECT_LT(o.reply.serviceMicros, 20'000u);
}

TEST(DriveTiming, SequentialReadsStreamAtTheDiscSpeed) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  ASSERT_TRUE(m.Seek(100000).good());
  std::uint64_t total = 0;
  for (int i = 0; i < 100; ++i) {
    const auto o = m.Read10(100000 + 27 * i, 27, 2048);
    ASSERT_TRUE(o.good());
    total += o.reply.serviceMicros;
  }
  const double truth = ReadSeconds(100000, 102700, [](double l) { return CavSpeed(l, 52); }) * 1e6;
  EXPECT_NEAR(static_cast<double>(total), truth, truth * 0.002);
  EXPECT_NEAR(drive.ExpectedReadMicros(100000, 2700, 27), truth, truth * 0.002);
}

TEST(DriveTiming, AJumpPaysSeekAndLatencyThenStreams) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  ASSERT_TRUE(m.Read10(0, 27, 2048).good());
  const auto jump = m.Read10(200000, 27, 2048);
  const auto next = m.Read10(200027, 27, 2048);
  const double disc = ReadSeconds(200027, 200054, [](double l) { return CavSpeed(l, 52); }) * 1e6;
  EXPECT_GT(jump.reply.serviceMicros, 50'000u);
  EXPECT_NEAR(static_cast<double>(next.reply.serviceMicros), disc, disc * 0.01);
  // Reading backwards leaves the cache: another seek.
  EXPECT_GT(m.Read10(100000, 27, 2048).reply.serviceMicros, 20'000u);
}

TEST(DriveTiming, ReadAheadCoversTheHostsTimeBetweenCommands) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  ASSERT_TRUE(m.Seek(300000).good());
  const std::uint64_t start = m.now();
  std::uint64_t fastest = ~0ull;
  for (int i = 0; i < 200; ++i) {
    const auto o = m.Read10(300000 + 27 * i, 27, 2048);
    ASSERT_TRUE(o.good());
    fastest = std::min(fastest, o.reply.serviceMicros);
    m.Advance(3000);  // the host's own work after every command
  }
  const double elapsed = static_cast<double>(m.now() - start - 3000);
  const double truth = ReadSeconds(300000, 305400, [](double l) { return CavSpeed(l, 52); }) * 1e6;
  EXPECT_NEAR(elapsed, truth, truth * 0.01);
  // The 3 ms the host was away were spent reading ahead: a command takes that much less.
  EXPECT_LT(static_cast<double>(fastest), truth / 200 - 2500);
  // A host that waits long fills the cache and then finds the drive paused.
  m.Advance(2'000'000);
  const auto cached = m.Read10(305400, 27, 2048);
  EXPECT_LT(cached.reply.serviceMicros, 2'500u);
}

TEST(DriveTiming, SetCdSpeedChoosesAndCapsTheSpeed) {
  struct Case {
    const char* name;
    std::vector<double> supported;
    double maximumRequest;
    std::uint16_t kbPerSecond;
    double chosen;
    double kiloBytesPerX = 176.0;  // how the drive counts
  };
  const std::vector<Case> cases = {
      {"maximum", {}, 0, 0xFFFF, 52},
      {"20x", {}, 0, 3520, 20},
      {"below 1x", {}, 0, 100, 1},
      {"above maximum", {}, 0, 20000, 52},
      {"list, maximum", {8, 16, 24, 32, 40, 48}, 0, 0xFFFF, 48},
      {"list, 30x", {8, 16, 24, 32, 40, 48}, 0, 5280, 24},
      {"list, 40x", {8, 16, 24, 32, 40, 48}, 0, 7056, 40},
      {"list, 5x", {8, 16, 24, 32, 40, 48}, 0, 1000, 8},
      {"quiet maximum", {}, 32, 0xFFFF, 32},
      // The drive's own figure for a speed asks for that speed.
      {"list, 48x", {8, 16, 24, 32, 40, 48}, 0, 8448, 48},
      {"list, below 48x", {8, 16, 24, 32, 40, 48}, 0, 8447, 40},
      {"176.4 per x, 48x", {8, 16, 24, 32, 40, 48}, 0, 8467, 48, 176.4},
      {"176.4 per x, below 48x", {8, 16, 24, 32, 40, 48}, 0, 8466, 40, 176.4},
      {"176.4 per x, 20x", {}, 0, 3528, 20, 176.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimDriveConfig config = Config(DriveTiming::Cav(52, 40));
    config.timing.supportedSpeeds = c.supported;
    config.quirks.maximumRequestSpeed = c.maximumRequest;
    config.timing.kiloBytesPerX = c.kiloBytesPerX;
    SimDrive drive(config);
    Machine m(drive);
    ASSERT_TRUE(m.NoData({0xBB, 0, Machine::B(c.kbPerSecond, 8), Machine::B(c.kbPerSecond, 0), 0xFF,
                          0xFF, 0, 0, 0, 0, 0, 0})
                    .good());
    EXPECT_EQ(drive.ChosenSpeed(), c.chosen);
    EXPECT_NEAR(drive.ExpectedSpeedAt(359774, SpeedMode::Data), c.chosen, 1e-9);
    EXPECT_NEAR(drive.ExpectedSpeedAt(359774, SpeedMode::Audio), std::min(c.chosen, 40.0), 1e-9);
  }
  // The chosen speed governs the reads.
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  ASSERT_TRUE(m.NoData({0xBB, 0, 0x0B, 0x00, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).good());  // 16x
  ASSERT_TRUE(m.Seek(350000).good());
  const auto o = m.Read10(350000, 75 * 16, 2048);  // one second's worth at 16x
  EXPECT_NEAR(static_cast<double>(o.reply.serviceMicros), 1e6, 1e6 * 0.001);
}

TEST(DriveTiming, AudioTracksReadAtTheAudioCap) {
  SimDrive drive(Config(DriveTiming::Clv(48, 24), Disc::Mixed(10000, {10000})));
  Machine m(drive);
  ASSERT_TRUE(m.Seek(9000).good());
  auto o = m.ReadCd(9000, 48 * 75 / 10);  // 0.1 s at 48x
  EXPECT_NEAR(static_cast<double>(o.reply.serviceMicros), 100'000, 100);
  ASSERT_TRUE(m.Seek(12000).good());
  o = m.ReadCd(12000, 24 * 75 / 10);  // 0.1 s at 24x
  EXPECT_NEAR(static_cast<double>(o.reply.serviceMicros), 100'000, 100);
}

TEST(DriveTiming, ExpectedAverageOverAWholeDiscInTwentySevenBlockCommands) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  const std::int32_t blocks = Disc::Blocks(79, 57);
  const double seconds = ReadSeconds(0, blocks, [](double l) { return CavSpeed(l, 52); });
  const double truth = blocks / seconds / 75.0;
  EXPECT_NEAR(drive.ExpectedAverageSpeed(0, blocks, 27), truth, truth * 0.002);
  EXPECT_GT(truth, 36.0);  // between the inside and the outside speeds, nearer the outside
  EXPECT_LT(truth, 44.0);
}

TEST(DriveTiming, MediumErrorsCostTime) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  drive.AddMediumError(1000, 1);
  Machine m(drive);
  ASSERT_TRUE(m.Seek(990).good());
  const auto o = m.Read10(990, 27, 2048);
  EXPECT_EQ(o.Triple(), "03/11/00");
  EXPECT_GE(o.reply.serviceMicros, 300'000u);
}

TEST(DriveTiming, ZeroLatencyDriveTakesNoTime) {
  SimDrive drive(Config(DriveTiming::ZeroLatency()));
  Machine m(drive);
  EXPECT_EQ(m.Seek(300000).reply.serviceMicros, 0u);
  EXPECT_EQ(m.Read10(0, 27, 2048).reply.serviceMicros, 0u);
  EXPECT_EQ(m.TestUnitReady().reply.serviceMicros, 0u);
  EXPECT_EQ(m.now(), 0u);
}

TEST(DriveTiming, ServiceTimeIsADryRun) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  ASSERT_TRUE(m.Read10(0, 27, 2048).good());
  std::uint8_t cdb[16] = {0x28, 0, 0, 0x03, 0x0D, 0x40, 0, 0, 27, 0};  // LBA 200000
  std::vector<std::uint8_t> data(27 * 2048);
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = 10;
  request.direction = DataDirection::In;
  request.data = data.data();
  request.dataLength = static_cast<std::uint32_t>(data.size());
  request.nowMicros = m.now();
  const std::uint64_t predicted = drive.ServiceTime(request);
  EXPECT_EQ(drive.ServiceTime(request), predicted);  // nothing moved
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(drive.Execute(request).serviceMicros, predicted);
  EXPECT_EQ(drive.LastServiceMicros(), predicted);
}

}  // namespace
}  // namespace sim

namespace sim {
namespace {

// The speed test's order: short reads at the start, positioning SEEKs, then the timed
// read from the start. The SEEK drops the cache, so the timed read takes what the model
// expects for a read from a positioned head.
TEST(DriveTiming, TimedReadAfterSpinUpAndSeekTakesTheExpectedTime) {
  SimDrive drive(Config(DriveTiming::Cav(52, 40)));
  Machine m(drive);
  for (int pass = 0; pass < 5; ++pass) {
    ASSERT_TRUE(m.Seek(2000).good());
    ASSERT_TRUE(m.Read10(2000, 10, 2048).good());
  }
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(m.Seek(2000).good());
  const std::uint64_t start = m.now();
  for (std::uint32_t lba = 2000; lba < 3000; lba += 27)
    ASSERT_TRUE(m.Read10(lba, static_cast<std::uint16_t>(std::min(27u, 3000 - lba)), 2048).good());
  const double expected = drive.ExpectedReadMicros(2000, 1000, 27);
  EXPECT_NEAR(static_cast<double>(m.now() - start), expected, expected * 0.001);
  const double truth = ReadSeconds(2000, 3000, [](double l) { return CavSpeed(l, 52); }) * 1e6;
  EXPECT_NEAR(expected, truth, truth * 0.002);
}

// Each medium's 1x: a CLV drive at 1x passes that medium's blocks a second.
TEST(DriveTiming, OneXOfEachMedium) {
  const struct {
    const char* medium;
    DriveTiming timing;
    double blocksPerSecond;
  } cases[] = {
      {"CD", DriveTiming::Clv(1.0, 1.0), 75.0},
      {"DVD", WithGeometry(DriveTiming::Clv(1.0, 1.0), kDvdGeometry), 1'385'000.0 / 2048.0},
      {"BD", WithGeometry(DriveTiming::Clv(1.0, 1.0), kBdGeometry), 4'500'000.0 / 2048.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.medium);
    const DriveTimingModel model(c.timing);
    EXPECT_NEAR(model.DiscMicros(1000, 1000 + 100'000, 1.0), 100'000 / c.blocksPerSecond * 1e6,
                1.0);
  }
}

// On the opposite track path layer 1 runs back over layer 0's radii: LBA break + k lies where
// break - 1 - k does, and reading across the break takes what reading back and forth would.
TEST(DriveTiming, OppositeTrackPathFoldsAtTheLayerBreak) {
  const std::int32_t b = 2'052'096;
  const DriveTimingModel model(WithGeometry(DriveTiming::Cav(16.0, 16.0), kDvdGeometry, b));
  for (std::int32_t k : {0, 1, 1000, 500'000, 1'899'967}) {
    EXPECT_DOUBLE_EQ(model.RadiusMm(b + k), model.RadiusMm(b - 1 - k)) << k;
    EXPECT_DOUBLE_EQ(model.SpeedAt(b + k, 16.0), model.SpeedAt(b - 1 - k, 16.0)) << k;
  }
  EXPECT_GT(model.RadiusMm(b - 1), model.RadiusMm(0) + 25.0);  // layer 0 runs outwards
  for (std::int32_t n : {27, 100'000}) {
    const double layer0 = model.DiscMicros(b - n, b, 16.0);
    EXPECT_NEAR(model.DiscMicros(b, b + n, 16.0), layer0, 1e-6 * layer0) << n;
    EXPECT_NEAR(model.DiscMicros(b - n, b + n, 16.0), 2 * layer0, 1e-6 * layer0) << n;
  }
}

}  // namespace
}  // namespace sim
