// The audio check on every drive of the audio machine, on the virtual clock: each finding
// against the truth of the drive's model.
#include "scan/AudioCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "sim/win32/DemoMachine.h"

namespace {

using report::FuaVerdict;
using sim::C2Pointers;

constexpr DWORD kTimeoutHalfSeconds = 6;  // three seconds

// The audio machine's drive of `row` and the drive-access chain on it.
class AudioRig {
 public:
  explicit AudioRig(std::size_t row)
      : machine_(sim::ClockMode::Virtual, false, sim::DemoProfile::Audio),
        chain_(std::make_unique<Chain>()),
        drive_(machine_.drive(row)) {
    const char letter = sim::DemoMachine::Slots(sim::DemoProfile::Audio)[row].letter;
    for (DeviceEntry& d : chain_->DeviceTable)
      if (d.DriveLetter == letter) device_ = &d;
  }
  DeviceEntry* device() { return device_; }
  FileMMCSeq& chain() { return *chain_; }
  sim::SimDrive& drive() { return drive_; }

 private:
  sim::DemoMachine machine_;
  struct Chain final : FileMMCSeq {};  // the chain's destructor is not virtual
  std::unique_ptr<Chain> chain_;
  sim::SimDrive& drive_;
  DeviceEntry* device_ = nullptr;
};

TEST(AudioCheck, EveryFindingEqualsTheDrivesTruth) {
  const std::size_t rows = sim::DemoMachine::Slots(sim::DemoProfile::Audio).size();
  for (std::size_t row = 0; row < rows; ++row) {
    AudioRig rig(row);
    ASSERT_NE(rig.device(), nullptr);
    const sim::SimDriveConfig& config = rig.drive().Config();
    const sim::AudioExtraction& audio = config.audio;
    SCOPED_TRACE(config.identity.product);
    const auto wallBegin = std::chrono::steady_clock::now();
    // A short time-out, so that a drive stalling on the virtual clock costs little of it.
    ASSERT_EQ(rig.chain().SetTimeouts(*rig.device(), kTimeoutHalfSeconds), SS_COMP);
    scan::AudioCheck check(rig.chain(), *rig.device(), {});
    report::AudioCheckRecord r;
    const bool ran = check.Run(r);
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBegin).count();
    EXPECT_LT(r.virtualSeconds, 30.0);
    EXPECT_LT(wallSeconds, 5.0);
    EXPECT_EQ(rig.drive().BlockLength(), config.blockLength);  // put back as found

    const bool audioDisc = config.disc->KindAt(0) == sim::TrackKind::Audio;
    ASSERT_EQ(ran, audio.cdda && audioDisc);
    if (!ran) {
      ASSERT_TRUE(r.refused);
      EXPECT_NE(r.refused->find(audio.cdda ? "no audio tracks" : "CD-DA"), std::string::npos)
          << *r.refused;
      continue;
    }
    EXPECT_EQ(r.start, scan::kAudioDefaultOffset);
    EXPECT_EQ(r.blocks, scan::kAudioDefaultBlocks);

    // The cache: present, and its size within one command.
    const std::int64_t cacheBlocks = config.timing.cacheBlocks;
    ASSERT_TRUE(r.cache.tested) << r.cache.note;
    EXPECT_EQ(r.cache.caches, cacheBlocks > 0);
    if (cacheBlocks > 0) {
      EXPECT_LE(r.cache.hitBlocks, cacheBlocks);
      ASSERT_TRUE(r.cache.missBlocks);
      EXPECT_GT(*r.cache.missBlocks, cacheBlocks);
      EXPECT_EQ(*r.cache.missBlocks - r.cache.hitBlocks, scan::kAudioCommandBlocks);
      ASSERT_EQ(r.cache.defeats.size(), 3u);
      EXPECT_TRUE(r.cache.defeats[0].Works());  // far away
      EXPECT_TRUE(r.cache.defeats[1].Works());  // just before: the head passes the range again
      EXPECT_EQ(r.cache.defeats[2].Works(), audio.read12OnAudio && audio.fuaHonoured);
    } else {
      EXPECT_TRUE(r.cache.defeats.empty());
    }

    // Force unit access.
    const FuaVerdict fua = !audio.read12OnAudio || cacheBlocks == 0 ? FuaVerdict::NotTestable
                           : audio.fuaHonoured                      ? FuaVerdict::Honoured
                                                                    : FuaVerdict::Ignored;
    EXPECT_EQ(r.fua.verdict, fua) << r.fua.note;
    EXPECT_EQ(r.fua.sense.rfind("05/64/00", 0) == 0, !audio.read12OnAudio) << r.fua.sense;

    // C2 pointers claimed and delivered, and the repeatability reads.
    const std::int64_t end = r.start + r.blocks;
    std::int64_t damaged = 0, falseAlarms = 0;
    for (std::int64_t lba = r.start; lba < end; ++lba) {
      damaged += audio.Damaged(static_cast<std::int32_t>(lba));
      falseAlarms += audio.FalseAlarmAt(static_cast<std::int32_t>(lba));
    }
    ASSERT_GT(damaged, 0);
    const bool delivers = audio.c2 == C2Pointers::Exact || audio.c2 == C2Pointers::FalseAlarms;
    EXPECT_EQ(r.c2.claimedByPage, audio.ClaimsC2());
    EXPECT_EQ(r.c2.claimedByFeature,
              audio.cdReadFeature ? std::optional<bool>(audio.ClaimsC2()) : std::nullopt);
    EXPECT_EQ(r.c2.bitsAccepted, audio.ClaimsC2());
    EXPECT_EQ(r.c2.blockErrorAccepted, audio.ClaimsC2());
    EXPECT_EQ(r.c2.counted, audio.ClaimsC2());
    EXPECT_EQ(r.c2.missedErrors, audio.c2 == C2Pointers::Missing ? damaged : 0);
    EXPECT_EQ(r.c2.falseAlarms, falseAlarms);
    EXPECT_EQ(r.c2.flaggedSectors, (delivers ? damaged : 0) + falseAlarms);
    EXPECT_EQ(r.c2.blockErrorDisagreements, 0);
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();  // nothing refused on the way
    EXPECT_EQ(r.repeatability.reads, 3);
    EXPECT_EQ(r.repeatability.sectors, r.blocks);
    EXPECT_EQ(r.repeatability.differing, damaged);
    EXPECT_EQ(r.repeatability.differingFlagged, delivers ? damaged : 0);
    EXPECT_EQ(r.repeatability.differingUnflagged, delivers ? 0 : damaged);

    // The accurate stream: each read's shift from the reference's as the model shifts them.
    EXPECT_EQ(r.stream.claimed, audio.accurateStreamClaimed);
    ASSERT_TRUE(r.stream.tested) << r.stream.note;
    const auto shiftAt = [&audio](std::int64_t lba) {
      return audio.ShiftAt(static_cast<std::int32_t>(lba));
    };
    int jittered = 0;
    for (const report::StreamRead& read : r.stream.reads) {
      const std::int64_t command =
          r.start + (read.start - r.start) / scan::kAudioCommandBlocks * scan::kAudioCommandBlocks;
      EXPECT_EQ(read.shiftSamples, shiftAt(read.start) - shiftAt(command)) << read.start;
      jittered += shiftAt(read.start) != audio.readOffsetSamples;
    }
    EXPECT_EQ(r.stream.usualShift, 0);
    EXPECT_EQ(r.stream.off, jittered);
    EXPECT_EQ(r.stream.exact, static_cast<int>(r.stream.reads.size()) - jittered);
    EXPECT_EQ(r.stream.largestJitter, jittered ? audio.jitterSamples : 0);

    // Reading into the lead-in and the lead-out; a stall ends within the time-out.
    const struct {
      const report::OverreadProbe& probe;
      sim::Overread model;
    } ends[] = {{r.overread.leadIn, audio.leadIn}, {r.overread.leadOut, audio.leadOut}};
    for (const auto& end : ends) {
      const report::OverreadOutcome expected =
          end.model == sim::Overread::Allowed   ? report::OverreadOutcome::Allowed
          : end.model == sim::Overread::Refused ? report::OverreadOutcome::Refused
                                                : report::OverreadOutcome::TimedOut;
      EXPECT_EQ(end.probe.outcome, expected) << end.probe.lba;
      EXPECT_EQ(end.probe.sense.rfind("05/21/00", 0) == 0,
                expected == report::OverreadOutcome::Refused)
          << end.probe.sense;
      EXPECT_LE(end.probe.seconds, kTimeoutHalfSeconds / 2.0 + 1.5);
    }
    EXPECT_EQ(r.overread.leadIn.lba, -10);
    EXPECT_EQ(r.overread.leadOut.lba, config.disc->LeadOut());
    EXPECT_FALSE(r.offset.tested);  // no other drive given
  }
}

// The sample offset between drives holding the same disc, exact to the sample, each way.
TEST(AudioCheck, OffsetAgainstAnotherDriveEqualsTheirReadOffsets) {
  const struct {
    std::size_t row, against;
  } pairs[] = {{0, 6}, {0, 7}, {6, 8}, {8, 0}};  // D: against J:, K:; J: against L:; L: - D:
  for (const auto& p : pairs) {
    AudioRig rig(p.row);
    const char other = sim::DemoMachine::Slots(sim::DemoProfile::Audio)[p.against].letter;
    SCOPED_TRACE(other);
    scan::AudioCheckSettings settings;
    for (DeviceEntry& d : rig.chain().DeviceTable)
      if (d.DriveLetter == other) settings.against = &d;
    ASSERT_NE(settings.against, nullptr);
    scan::AudioCheck check(rig.chain(), *rig.device(), settings);
    report::AudioCheckRecord r;
    ASSERT_TRUE(check.Run(r));
    ASSERT_TRUE(r.offset.tested) << r.offset.note;
    const auto offsetOf = [](std::size_t row) {
      return sim::DemoMachine::Slots(sim::DemoProfile::Audio)[row].config().audio.readOffsetSamples;
    };
    EXPECT_EQ(r.offset.samples, offsetOf(p.against) - offsetOf(p.row));
    EXPECT_EQ(r.offset.windowSamples, scan::kOffsetWindow);
    EXPECT_GT(r.offset.matchShare, 0.99);
    // The disc's samples repeat in part at some other shifts; none comes near the true one.
    EXPECT_LT(r.offset.runnerUpShare, 0.5);
  }
}

// The stretch at the ends of the audio: shortened to where the audio ends, the cache's size
// searched no further than the audio goes; a start past the audio is refused.
TEST(AudioCheck, TheStretchStaysOnTheAudio) {
  const std::int64_t leadOut = sim::DemoMachine::AudioCD().LeadOut();
  const struct {
    std::int64_t start, blocks;
    const char* refused;  // null: the check runs
    std::int64_t checked;
    std::int64_t cacheAtLeast;
  } cases[] = {
      {leadOut - 100, 500, nullptr, 100, 81},  // 81: the whole commands up to the lead-out
      {leadOut, 27, "is not on an audio track", 0, 0},
      {leadOut - 26, 27, "needs at least 27 audio blocks", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    AudioRig rig(0);
    scan::AudioCheckSettings settings;
    settings.start = c.start;
    settings.blocks = c.blocks;
    scan::AudioCheck check(rig.chain(), *rig.device(), settings);
    report::AudioCheckRecord r;
    ASSERT_EQ(check.Run(r), c.refused == nullptr);
    if (c.refused) {
      EXPECT_NE(r.refused->find(c.refused), std::string::npos) << *r.refused;
      continue;
    }
    EXPECT_EQ(r.blocks, c.checked);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("shortened"), std::string::npos) << r.notes[0];
    EXPECT_EQ(r.cache.hitBlocks, c.cacheAtLeast);
    EXPECT_FALSE(r.cache.missBlocks);
    EXPECT_EQ(r.repeatability.sectors, c.checked);
    EXPECT_EQ(r.repeatability.differing, 0);
  }
}

}  // namespace
