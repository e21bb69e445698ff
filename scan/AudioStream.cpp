// The audio check's reads of the samples themselves: whether reads of one stretch with other
// starting points and sizes line up (an accurate stream), whether the drive reads into the
// lead-in and the lead-out, and the offset of another drive's samples against this one's.
#include <algorithm>
#include <map>

#include "scan/AudioAlign.h"
#include "scan/AudioCheck.h"
#include "scsi/ReadCdFlags.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

// The stream test's reads: (blocks from the stretch's start, blocks). Each lies inside one
// command of the reference read with two blocks to spare on either side, so that every shift
// searched compares it with samples of that one command.
constexpr struct {
  std::int64_t at, blocks;
} kStreamReads[] = {{2, 1},   {3, 20}, {5, 12},  {29, 23}, {36, 7},
                    {31, 16}, {60, 1}, {56, 10}, {62, 15}, {67, 11}};
constexpr std::int64_t kStreamStretch = 3 * kAudioCommandBlocks;
constexpr std::int64_t kStreamWindow = 2 * kSectorSamples;
constexpr double kMatched = 0.5;  // a shift with fewer equal samples is no match
constexpr std::int64_t kOverreadProbeBlocks = 10;

std::int64_t Distance(std::int64_t a, std::int64_t b) {
  return a > b ? a - b : b - a;
}

}  // namespace

bool AudioCheck::ReadSamples(DeviceEntry& device, std::int64_t lba, std::int64_t blocks,
                             std::vector<std::uint32_t>& samples) {
  samples.clear();
  for (std::int64_t at = lba; at < lba + blocks; at += kAudioCommandBlocks) {
    const std::int64_t n = std::min(kAudioCommandBlocks, lba + blocks - at);
    sense_ = SenseResult{};
    if (drive_.ReadCD(device, kCddaSectorType, static_cast<LONG>(at), static_cast<DWORD>(n),
                      scsi::kReadCdWholeSector, 0, buffer_.data(),
                      static_cast<DWORD>(n * scsi::kCdSectorBytes), &sense_) != SS_COMP)
      return false;
    const std::vector<std::uint32_t> part =
        SamplesOf(buffer_.data(), static_cast<std::size_t>(n * scsi::kCdSectorBytes));
    samples.insert(samples.end(), part.begin(), part.end());
  }
  return true;
}

void AudioCheck::Stream(report::AudioCheckRecord& record) {
  report::StreamFinding& f = record.stream;
  f.windowSamples = kStreamWindow;
  if (blocks_ < kStreamStretch) {
    f.note = "the range is shorter than the " + std::to_string(kStreamStretch) +
             " blocks the test reads";
    return;
  }
  std::vector<std::uint32_t> reference, read;
  if (!ReadSamples(device_, start_, kStreamStretch, reference)) {
    f.note = "the reference read was refused: " + SenseText();
    return;
  }
  std::map<std::int64_t, int> shifts;
  for (const auto& r : kStreamReads) {
    report::StreamRead s{start_ + r.at, r.blocks, std::nullopt, 0.0};
    // From the disc, not the cache: a drive's reads start off where it seeks.
    if (!EmptyCache()) Refused(record, "READ CD far from the range");
    if (ReadSamples(device_, s.start, s.blocks, read)) {
      const Alignment a = Align(reference, r.at * kSectorSamples, read, kStreamWindow);
      s.matchShare = a.share;
      if (a.share >= kMatched) {
        s.shiftSamples = a.shift;
        ++shifts[a.shift];
      }
    } else {
      Refused(record,
              "READ CD of " + std::to_string(s.blocks) + " blocks at " + std::to_string(s.start));
    }
    f.reads.push_back(s);
  }
  if (shifts.empty()) {
    f.note = "no read matched the reference at any shift searched";
    return;
  }
  // The usual shift: the most common; among as common, the one nearest zero.
  const auto usual = std::max_element(shifts.begin(), shifts.end(), [](auto& a, auto& b) {
    return a.second != b.second ? a.second < b.second : Distance(a.first, 0) > Distance(b.first, 0);
  });
  f.tested = true;
  f.usualShift = usual->first;
  for (const report::StreamRead& s : f.reads) {
    if (s.shiftSamples == f.usualShift) {
      ++f.exact;
      continue;
    }
    ++f.off;
    if (s.shiftSamples)
      f.largestJitter = std::max(f.largestJitter, Distance(*s.shiftSamples, f.usualShift));
  }
}

report::OverreadProbe AudioCheck::Probe(std::int64_t lba) {
  report::OverreadProbe p;
  p.lba = lba;
  p.blocks = kOverreadProbeBlocks;
  sense_ = SenseResult{};
  const std::uint64_t begin = session::Microseconds();
  const BYTE status =
      drive_.ReadCD(device_, kCddaSectorType, static_cast<LONG>(lba), static_cast<DWORD>(p.blocks),
                    scsi::kReadCdWholeSector, 0, buffer_.data(),
                    static_cast<DWORD>(p.blocks * scsi::kCdSectorBytes), &sense_);
  p.seconds = static_cast<double>(session::Microseconds() - begin) / 1e6;
  if (status == SS_COMP) {
    p.outcome = report::OverreadOutcome::Allowed;
  } else if (sense_.SenseKey != 0) {
    p.outcome = report::OverreadOutcome::Refused;
    p.sense = SenseText();
  } else {
    p.outcome = report::OverreadOutcome::TimedOut;  // no answer within the time-out
  }
  return p;
}

void AudioCheck::Overreading(report::AudioCheckRecord& record) {
  report::OverreadFinding& f = record.overread;
  if (audioStart_ == firstTrack_) {
    f.leadIn = Probe(firstTrack_ - kOverreadProbeBlocks);
    // A drive that stalled must answer again before the other end is tried.
    if (f.leadIn.outcome == report::OverreadOutcome::TimedOut && !Read(start_, 1)) {
      f.leadOut.lba = audioEnd_;
      Refused(record, "READ CD after the read into the lead-in");
      return;
    }
  }
  if (record.leadOut && audioEnd_ == *record.leadOut) f.leadOut = Probe(audioEnd_);
}

void AudioCheck::Offset(report::AudioCheckRecord& record) {
  report::OffsetFinding& f = record.offset;
  if (settings_.against == nullptr) return;
  f.windowSamples = kOffsetWindow;
  f.start = start_ + kAudioCommandBlocks;
  f.blocks = kAudioCommandBlocks;
  if (blocks_ < 3 * kAudioCommandBlocks) {
    f.note = "the range is shorter than the 81 blocks the comparison reads";
    return;
  }
  std::vector<std::uint32_t> reference, other;
  if (!ReadSamples(device_, start_, 3 * kAudioCommandBlocks, reference)) {
    f.note = "READ CD on this drive refused: " + SenseText();
    return;
  }
  if (!ReadSamples(*settings_.against, f.start, f.blocks, other)) {
    f.note = "READ CD on the other drive refused: " + SenseText() +
             " (does it hold the same audio disc?)";
    return;
  }
  const Alignment a = Align(reference, kAudioCommandBlocks * kSectorSamples, other, kOffsetWindow);
  f.matchShare = a.share;
  f.runnerUpShare = a.runnerUp;
  if (a.share < kMatched) {
    f.note = "no shift within the window matched: not the same disc, or an offset beyond it";
    return;
  }
  f.tested = true;
  f.samples = a.shift;
}

}  // namespace scan
