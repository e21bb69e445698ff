// The measurements of a disc beyond the speed test, on one drive of the drive-access
// object: the capabilities summary (page 2Ah), the speeds the drive offers (GET
// PERFORMANCE), a requested speed (taken and measured), the transfer-rate curve with the
// reading strategy, access times and the spin-up time. Each step fills its part of the
// scan record and names what the drive refused.
//
// Before the first read the drive is set to its maximum speed (or the requested one) and
// spun up with short reads at the range's start, as the speed test does, falling back to
// raw reading when the blocks hold no user data. Times come from the host's microsecond
// counter (QueryPerformanceCounter).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "drive/ReadRequest.h"
#include "report/ScanRecord.h"
#include "session/DriveSession.h"

namespace scan {

struct ScanSettings {
  std::optional<std::int64_t> start;   // first block (default 0)
  std::optional<std::int64_t> blocks;  // default: to the end of the recorded area
  bool raw = false;                    // 2352-byte sectors with READ CD; else READ(10)
  std::uint32_t blocksPerCommand = 27;
  std::uint32_t minZones = 100;     // the curve has at least this many samples
  std::optional<double> speedX;     // in the medium's x (SET STREAMING or SET CD SPEED); else
                                    // the maximum
  int accessTrials = 8;             // of each kind
  std::uint32_t spinDownMs = 3000;  // after the stop, before the timed read
  std::uint32_t readyTimeoutMs = 30000;
};

// How far a surface scan is: blocks judged of the range, and the marks so far.
struct SurfaceProgress {
  std::int64_t done = 0;
  std::int64_t total = 0;
  std::int64_t unreadable = 0;
  std::int64_t weak = 0;
};

struct ScanObserver {
  std::function<void(const std::string&)> note;  // a step starts, a fall-back, a refusal
  // After every sample of the curve (`index` of `total`); false aborts the scan.
  std::function<bool(const report::ScanSample&, std::size_t index, std::size_t total)> sample;
  // Between the trials of the access times and while the spin-up waits; false aborts.
  std::function<bool()> proceed;
  // After every command of a timed read, from the reading thread (keep it cheap); true
  // aborts at once, inside a zone of the curve (a whole-disc zone lasts seconds).
  std::function<bool()> stopNow;
  // After every command of the surface scan; false aborts it.
  std::function<bool(const SurfaceProgress&)> surface;
};

class DiscScan {
 public:
  DiscScan(FileMMCSeq& drive, DeviceEntry& device, ScanSettings settings,
           ScanObserver observer = {});

  // The disc's medium (the session's), then the recorded area — a CD's from the table of
  // contents, a DVD's or BD's from READ CAPACITY — and the range within it; false, with the
  // reason in the record, when there is none. The record counts its speeds in the medium's x.
  bool ReadRecordedArea(report::ScanRecord& record);
  const session::Medium& Medium() const { return session_.CurrentMedium(); }
  std::int64_t LeadOut() const { return leadOut_; }
  // Whether ReadRecordedArea refused the range itself (it lies off the disc), not the drive.
  bool RangeOffTheDisc() const { return rangeOffTheDisc_; }
  std::int64_t RangeStart() const { return start_; }
  std::int64_t RangeBlocks() const { return blocks_; }
  bool Raw() const { return raw_; }

  void Info(report::ScanRecord& record);
  void Speeds(report::ScanRecord& record);
  void RequestSpeed(report::ScanRecord& record);
  void Curve(report::ScanRecord& record);
  void Access(report::ScanRecord& record);
  void SpinUp(report::ScanRecord& record);
  // Every block of the range read and judged: good, weak, unreadable (scan/SurfaceScan.cpp).
  void Surface(report::ScanRecord& record);

  // Puts the drive back as it was found (the block length); also done when the scan goes.
  void Restore() { session_.Restore(); }

  // For a window's Abort: stops the curve after its current sample, the access times after
  // the current trial and the spin-up while it waits.
  void Abort() { abort_ = true; }

 private:
  bool Prepare(report::ScanRecord& record);
  // The maximum read speed of page 2Ah, kB/s; nothing when the drive does not give it.
  std::optional<int> MaximumReadKBps();
  // A DVD's or BD's curve: its average speed and whether the drive held the disc down.
  void JudgeAverage(report::CurveResult& curve);
  scsi::MediumFamily Family() const { return session_.CurrentMedium().family; }
  // Blocks a second at 1x of the medium, in the scan's read mode.
  double BlocksPerSecondAt1x() const;
  // A request for [lba, lba + count) in the scan's mode, stopping at the first failure.
  ReadRequest NewRequest(std::int64_t lba, std::int64_t count);
  // Reads [lba, lba + count) with the chain's read loop; its completion status.
  BYTE Read(std::int64_t lba, std::int64_t count);
  // The time a read of [lba, lba + count) takes, or nothing when it fails.
  std::optional<std::int64_t> TimedRead(std::int64_t lba, std::int64_t count);
  std::uint64_t Now() const;
  void Note(const std::string& text);
  void Refused(report::ScanRecord& record, const std::string& command, BYTE status, bool asked);
  BYTE StopOnError(ReadCallbackInfo& info);
  BYTE CommandDone(ReadCallbackInfo& info);
  // Whether Abort was asked for, here or through the observer.
  bool Aborting();
  // The surface scan's steps: whether to go on after a command; why a failed read ends the
  // scan (an abort, a drive gone or empty), or nothing when the disc is to blame; a failed
  // or slow command's blocks read and timed one by one (false: the scan cannot go on).
  bool SurfaceGoOn(const report::SurfaceResult& surface);
  // On a CD, whether the drive delivers C2 error pointers with READ CD (one command tried).
  bool C2Delivered(std::int64_t lba);
  // A command of the surface scan read with C2 error pointers, timed; the flagged blocks
  // land in `flagged`. Nothing when the read fails.
  std::optional<std::int64_t> TimedC2Read(std::int64_t lba, std::int64_t count,
                                          std::vector<std::int64_t>& flagged);
  // Lowers the drive's read retry count for the surface scan, where the drive allows it:
  // the count in force, or nothing when the drive has no page 01h.
  std::optional<int> LowerReadRetries();
  std::optional<std::string> SurfaceStop();
  void FarFrom(std::int64_t lba);  // a read far away, then the head to `lba`
  bool SlowAgain(std::int64_t lba, std::int64_t usual);
  bool JudgeBlocks(report::SurfaceResult& surface, std::int64_t lba, std::int64_t count,
                   double predictedPerBlock);
  // Restarts the disc the spin-up stopped and records that it was aborted.
  void SpinUpAborted(report::ScanRecord& record);

  FileMMCSeq& drive_;
  DeviceEntry& device_;
  ScanSettings settings_;
  ScanObserver observer_;
  session::DriveSession session_;
  SenseResult sense_{};
  std::vector<BYTE> buffer_;
  std::vector<BYTE> blockStatus_;
  std::vector<BYTE> c2Buffer_;  // the surface scan's reads with C2 error pointers
  std::int64_t leadOut_ = 0;
  std::int64_t start_ = 0;
  std::int64_t blocks_ = 0;
  bool raw_ = false;
  bool prepared_ = false;
  bool rangeOffTheDisc_ = false;
  std::atomic<bool> abort_ = false;
};

}  // namespace scan
