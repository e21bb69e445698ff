// The audio extraction check on one drive of the drive-access object: whether the drive
// caches audio (a re-read's time against one rotation at the range's radius) and how much
// (the distance read before the re-read grown until the re-read costs a rotation), which way
// of defeating the cache works, whether READ(12) with FUA reads from the disc, what the C2
// error pointers claim against what they deliver, and how often the range reads the same.
//
// Every read is a single command whose time is taken around it, so that a drive that stops
// answering costs one command's time-out on the pass-through path. The block length changed
// for READ(12) goes back through the session before the check goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "report/AudioCheckRecord.h"
#include "scsi/ReadCdC2.h"
#include "session/DriveSession.h"
#include "session/ReadClock.h"

namespace scan {

inline constexpr std::int64_t kAudioCommandBlocks = 27;    // every read's size
inline constexpr std::int64_t kAudioDefaultOffset = 4500;  // a minute into the first audio track
inline constexpr std::int64_t kAudioDefaultBlocks = 270;
inline constexpr BYTE kCddaSectorType = 0x04;  // READ CD's expected sector type CD-DA (bits 2-4)

inline constexpr std::int64_t kOffsetWindow = 3000;  // samples searched either way

struct AudioCheckSettings {
  std::optional<std::int64_t> start;       // default: a minute into the first audio track
  std::optional<std::int64_t> blocks;      // default 270, shortened to the audio it lies in
  int reads = 3;                           // the repeatability reads of the range
  std::int64_t largestCacheBlocks = 8192;  // the largest distance tried for the cache's size
  // Another drive of the same drive-access object holding the same audio disc: the offset of
  // its samples against this drive's is measured (null: not measured).
  DeviceEntry* against = nullptr;
};

class AudioCheck {
 public:
  AudioCheck(FileMMCSeq& drive, DeviceEntry& device, AudioCheckSettings settings,
             std::function<void(const std::string&)> note = {});

  // The whole check; false, with the reason in record.refused, when it cannot run: the drive
  // reads no CD-DA, the disc holds no audio, the range is not audio.
  bool Run(report::AudioCheckRecord& record);

  // Puts the drive back as it was found (also done when the check goes).
  void Restore() { session_.Restore(); }

 private:
  bool Prepare(report::AudioCheckRecord& record);
  bool FindRange(report::AudioCheckRecord& record);
  void Claims(report::AudioCheckRecord& record);
  void Cache(report::AudioCheckRecord& record);
  void CacheSize(report::CacheFinding& cache);
  void CacheDefeats(report::AudioCheckRecord& record);
  void Fua(report::AudioCheckRecord& record);
  void Repeatability(report::AudioCheckRecord& record);
  void Stream(report::AudioCheckRecord& record);
  void Overreading(report::AudioCheckRecord& record);
  void Offset(report::AudioCheckRecord& record);
  // READ CD of one stretch on `device` in commands of 27, its samples in `samples`.
  bool ReadSamples(DeviceEntry& device, std::int64_t lba, std::int64_t blocks,
                   std::vector<std::uint32_t>& samples);
  // One READ CD of ten blocks from `lba`, beyond the disc's first or last sector.
  report::OverreadProbe Probe(std::int64_t lba);

  // READ CD of CD-DA sectors [lba, lba + blocks) in commands of 27; false at a failure.
  bool Read(std::int64_t lba, std::int64_t blocks);
  // The time of one READ CD of [lba, lba + blocks), or none when it failed.
  std::optional<double> TimedRead(std::int64_t lba, std::int64_t blocks);
  std::optional<report::RereadTime> Reread();  // the range's first command, timed
  // A read far from the range, which empties a cache of any size tried.
  bool EmptyCache();
  // The start re-read from the cache after `distance` blocks read from it; none on failure.
  std::optional<bool> CachedAfter(std::int64_t distance);
  std::string SenseText() const;
  void Refused(report::AudioCheckRecord& record, const std::string& command);
  void Note(const std::string& text);

  FileMMCSeq& drive_;
  DeviceEntry& device_;
  AudioCheckSettings settings_;
  std::function<void(const std::string&)> note_;
  session::DriveSession session_;
  SenseResult sense_{};
  std::vector<BYTE> buffer_;
  std::int64_t firstTrack_ = 0;  // where the disc's first track starts
  std::int64_t audioStart_ = 0;  // the run of audio tracks holding the range
  std::int64_t audioEnd_ = 0;
  std::int64_t start_ = 0;
  std::int64_t blocks_ = 0;
  std::int64_t far_ = 0;
  double rotationMicros_ = 0.0;
};

}  // namespace scan
