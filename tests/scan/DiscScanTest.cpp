// The disc scan on every drive of the demo machine, on the virtual clock, against the
// truth of the drives' timing model.
#include "scan/DiscScan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "scan/CdGeometry.h"
#include "sim/win32/DemoMachine.h"
#include "tests/scan/ResidentMemory.h"

namespace {

using report::Strategy;

struct DriveCase {
  const char* name;
  char letter;
  sim::SimDrive& (sim::DemoMachine::*drive)();
  Strategy strategy;
};

const DriveCase kDrives[] = {
    {"CAV", 'D', &sim::DemoMachine::dataDrive, Strategy::CAV},
    {"CLV", 'F', &sim::DemoMachine::clvDrive, Strategy::CLV},
    {"PCAV", 'G', &sim::DemoMachine::pcavDrive, Strategy::PCAV},
    {"ZCLV", 'H', &sim::DemoMachine::zclvDrive, Strategy::ZCLV},
};

void PrintTo(const DriveCase& c, std::ostream* os) {
  *os << c.name;
}

// The demo machine without records and the drive-access chain on it.
class Rig {
 public:
  explicit Rig(const DriveCase& c)
      : machine_(sim::ClockMode::Virtual, false),
        chain_(std::make_unique<Chain>()),
        drive_((machine_.*c.drive)()) {
    for (DeviceEntry& d : chain_->DeviceTable)
      if (d.DriveLetter == c.letter) device_ = &d;
  }
  DeviceEntry& device() { return *device_; }
  FileMMCSeq& chain() { return *chain_; }
  sim::SimDrive& drive() { return drive_; }
  const sim::DriveTimingModel& model() { return drive_.TimingModel(); }
  bool found() const { return device_ != nullptr; }

 private:
  sim::DemoMachine machine_;
  // The chain's destructor is not virtual: the pointer names the exact type it deletes.
  struct Chain final : FileMMCSeq {};
  std::unique_ptr<Chain> chain_;
  sim::SimDrive& drive_;
  DeviceEntry* device_ = nullptr;
};

double Relative(double measured, double truth) {
  return std::abs(measured / truth - 1.0);
}

// Where the model's speed fraction changes (a P-CAV change-over, Z-CLV zone starts), to
// the block.
std::vector<std::int64_t> ModelChanges(const sim::DriveTimingModel& m, std::int32_t end) {
  std::vector<std::int64_t> changes;
  auto level = [&m](std::int32_t lba) {
    const double f = m.SpeedFraction(lba);
    return m.Timing().profile == sim::SpeedProfile::PCAV ? (f >= 1.0 ? 1.0 : 0.0) : f;
  };
  for (std::int32_t at = 0; at + 75 < end; at += 75) {
    if (level(at) == level(at + 75)) continue;
    std::int32_t lo = at, hi = at + 75;
    while (hi - lo > 1) (level((lo + hi) / 2) == level(lo) ? lo : hi) = (lo + hi) / 2;
    changes.push_back(hi);
  }
  return changes;
}

class DiscScanTest : public ::testing::TestWithParam<DriveCase> {};

TEST_P(DiscScanTest, WholeDiscCurveMatchesTheModel) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.found());
  scan::DiscScan scan(rig.chain(), rig.device(), {});
  report::ScanRecord record;
  ASSERT_TRUE(scan.ReadRecordedArea(record));
  const auto begin = std::chrono::steady_clock::now();
  scan.Curve(record);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
#if defined(_WIN32) || defined(VELMARK_TESTS_EMULATED)
  constexpr double kLimit = 10.0;  // under wine or qemu-i386, on a shared machine
#else
  constexpr double kLimit = 2.0;
#endif
  EXPECT_LT(seconds, kLimit);

  ASSERT_TRUE(record.curve);
  const report::CurveResult& c = *record.curve;
  EXPECT_FALSE(c.aborted) << c.abortReason;
  EXPECT_TRUE(record.refused.empty());
  EXPECT_EQ(c.strategy, GetParam().strategy) << report::StrategyName(c.strategy);
  ASSERT_GE(c.samples.size(), 100u);
  EXPECT_EQ(c.samples.back().lba + c.samples.back().blocks, scan.LeadOut());
  for (const report::ScanSample& s : c.samples) {
    const double truth = rig.drive().ExpectedAverageSpeed(static_cast<std::int32_t>(s.lba),
                                                          static_cast<std::uint32_t>(s.blocks), 27);
    EXPECT_LT(Relative(s.speedX, truth), 0.01) << "zone at " << s.lba;
  }
  const auto last = static_cast<std::int32_t>(scan.LeadOut() - 1);
  EXPECT_LT(Relative(c.startSpeedX, rig.drive().ExpectedSpeedAt(0, sim::SpeedMode::Data)), 0.01);
  EXPECT_LT(Relative(c.endSpeedX, rig.drive().ExpectedSpeedAt(last, sim::SpeedMode::Data)), 0.01);

  const bool cav = GetParam().strategy == Strategy::CAV || GetParam().strategy == Strategy::PCAV;
  ASSERT_EQ(c.rpm.has_value(), cav);
  if (cav) {  // the inside of the disc turns at the CAV part's rate
    const double speed = rig.drive().ExpectedSpeedAt(0, sim::SpeedMode::Data);
    const double rpm = speed * 1200.0 / (2 * std::numbers::pi * rig.model().RadiusMm(0)) * 60;
    EXPECT_LT(Relative(*c.rpm, rpm), 0.01) << *c.rpm << " rpm, model " << rpm;
  }
  const std::vector<std::int64_t> changes = ModelChanges(rig.model(), last + 1);
  std::vector<std::int64_t> found = c.zones;
  if (GetParam().strategy == Strategy::ZCLV) {
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), 0);  // the first zone starts with the disc
    found.erase(found.begin());
  }
  if (GetParam().strategy == Strategy::PCAV || GetParam().strategy == Strategy::ZCLV) {
    ASSERT_EQ(found.size(), changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i)
      EXPECT_LT(std::abs(found[i] - changes[i]), scan.LeadOut() / 100)
          << found[i] << " vs " << changes[i];
  }
}

TEST_P(DiscScanTest, AccessAndSpinUpMatchTheWholeModelledTime) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.found());
  scan::DiscScan scan(rig.chain(), rig.device(), {});
  report::ScanRecord record;
  ASSERT_TRUE(scan.ReadRecordedArea(record));
  scan.Access(record);
  scan.SpinUp(record);
  ASSERT_TRUE(record.access);
  ASSERT_TRUE(record.spinUpMs);
  EXPECT_FALSE(record.failed);

  const sim::DriveTimingModel& m = rig.model();
  const double max = rig.drive().ChosenSpeed();
  const double overhead = static_cast<double>(m.Timing().commandOverheadMicros);
  // Seek from where the last read left the head, half a turn, one block, the command.
  auto whole = [&](std::int64_t from, std::int64_t to) {
    const auto f = static_cast<std::int32_t>(from), t = static_cast<std::int32_t>(to);
    return overhead + m.SeekMicros(f, t) + m.LatencyMicros(t, max) + m.DiscMicros(t, t + 1, max);
  };
  const struct {
    const char* kind;
    double reported;
  } kinds[] = {{"random", record.access->randomMs},
               {"third", record.access->thirdMs},
               {"full", record.access->fullMs}};
  for (const auto& k : kinds) {
    double sum = 0;
    int n = 0;
    for (const report::AccessTrial& t : record.access->timed) {
      if (t.kind != k.kind) continue;
      ASSERT_GE(std::llabs(t.to - t.from), scan.LeadOut() / 20) << k.kind;
      sum += whole(t.from + 1, t.to);
      ++n;
    }
    ASSERT_EQ(n, record.access->trials) << k.kind;
    EXPECT_LT(Relative(k.reported, sum / n / 1000.0), 0.05)
        << k.kind << ": " << k.reported << " ms, model " << sum / n / 1000.0;
  }
  const double spinUp = static_cast<double>(m.Timing().spinUpMicros) + whole(0, 0);
  EXPECT_LT(Relative(*record.spinUpMs, spinUp / 1000.0), 0.05)
      << *record.spinUpMs << " ms, model " << spinUp / 1000.0;
}

INSTANTIATE_TEST_SUITE_P(DemoDrives, DiscScanTest, ::testing::ValuesIn(kDrives),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscScan, RequestedSpeedNotOfferedIsNamedAndMeasured) {
  // D: counts 176 kB/s per x, G: 176.4 as real drives do; both offer 16x and 24x.
  const struct {
    const DriveCase& drive;
    std::vector<int> speedsKBps;
    int maxKBps, currentKBps;
  } cases[] = {
      {kDrives[0], {9152, 8448, 7040, 5632, 4224, 2816, 1408, 704}, 9152, 2816},
      {kDrives[2], {7056, 5645, 4234, 2822, 1411}, 7056, 2822},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drive.name);
    Rig rig(c.drive);
    ASSERT_TRUE(rig.found());
    scan::ScanSettings settings;
    settings.speedX = 20;
    scan::DiscScan scan(rig.chain(), rig.device(), settings);
    report::ScanRecord record;
    ASSERT_TRUE(scan.ReadRecordedArea(record));
    scan.Info(record);
    scan.Speeds(record);
    scan.RequestSpeed(record);
    scan.Info(record);

    ASSERT_TRUE(record.speedsKBps);
    EXPECT_EQ(*record.speedsKBps, c.speedsKBps);
    ASSERT_TRUE(record.speed && record.speed->takenX && record.speed->measuredX);
    EXPECT_EQ(*record.speed->takenX, rig.drive().ChosenSpeed());
    EXPECT_EQ(*record.speed->takenX, 16.0);
    const double truth = rig.drive().ExpectedAverageSpeed(
        static_cast<std::int32_t>(record.speed->measuredStart),
        static_cast<std::uint32_t>(record.speed->measuredBlocks), 27);
    EXPECT_LT(Relative(*record.speed->measuredX, truth), 0.01);
    ASSERT_TRUE(record.info);
    EXPECT_EQ(record.info->maxReadKBps, c.maxKBps);
    EXPECT_EQ(record.info->currentReadKBps, c.currentKBps);  // read after the request
    EXPECT_TRUE(record.info->cddaSupported);
    EXPECT_FALSE(record.failed);
  }
}

TEST(DiscScan, AccessTimesNeedARangeTheCacheCannotHold) {
  // A range too short for accesses the cache cannot serve gets no figures, never zeros.
  const struct {
    std::int64_t blocks;
    bool timed;
  } cases[] = {{2, false}, {6143, false}, {6144, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocks);
    Rig rig(kDrives[0]);
    ASSERT_TRUE(rig.found());
    scan::ScanSettings settings;
    settings.blocks = c.blocks;
    scan::DiscScan scan(rig.chain(), rig.device(), settings);
    report::ScanRecord record;
    ASSERT_TRUE(scan.ReadRecordedArea(record));
    scan.Access(record);
    ASSERT_EQ(record.access.has_value(), c.timed);
    EXPECT_EQ(record.failed, !c.timed);
    if (c.timed) {
      EXPECT_GT(record.access->randomMs, 1.0);
      EXPECT_GT(record.access->thirdMs, 1.0);
      EXPECT_GT(record.access->fullMs, 1.0);
    } else {
      ASSERT_EQ(record.refused.size(), 1u);
      EXPECT_EQ(record.refused[0].rfind("access times need a range of at least 6144 blocks", 0),
                0u);
    }
  }
}

#if RESIDENT_MEMORY_MEASURABLE
long ResidentPages() {
  long size = 0, resident = 0;
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return -1;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident;
}

TEST(DiscScan, WholeDiscScanKeepsMemoryFlat) {
  Rig rig(kDrives[0]);
  ASSERT_TRUE(rig.found());
  scan::ScanSettings small;
  small.blocks = 2700;
  {
    scan::DiscScan warm(rig.chain(), rig.device(), small);
    report::ScanRecord record;
    ASSERT_TRUE(warm.ReadRecordedArea(record));
    warm.Curve(record);
  }
  const long before = ResidentPages();
  scan::DiscScan scan(rig.chain(), rig.device(), {});
  report::ScanRecord record;
  ASSERT_TRUE(scan.ReadRecordedArea(record));
  scan.Curve(record);
  const long after = ResidentPages();
  ASSERT_GT(before, 0);
  // 13,325 commands: anything kept per command would show in hundreds of kilobytes.
  EXPECT_LT((after - before) * 4096, 256 * 1024) << "pages: " << before << " -> " << after;
  EXPECT_EQ(record.curve->samples.size(), 100u);
}
#endif

}  // namespace
