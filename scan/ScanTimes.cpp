// Access and spin-up times. An access is timed as a 1-block read far from where the head
// last read, so the drive's cache cannot hold it: the figure is the whole access — seek,
// rotational wait and command. Spin-up is the time from a stopped disc to the first read
// served.
#include <algorithm>
#include <cstdlib>

#include "scan/DiscScan.h"
#include "scsi/SenseCodes.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

// A fixed sequence of positions, the same in every run (splitmix64).
class Positions {
 public:
  std::int64_t Next(std::int64_t first, std::int64_t count) {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return first + static_cast<std::int64_t>(z % static_cast<std::uint64_t>(count));
  }

 private:
  std::uint64_t state_ = 0x5EED;
};

constexpr std::uint32_t kPollMs = 10;
// Far enough that no drive's read-ahead holds the place read after another: 4 MB of data,
// more than the buffers drives carry. The range needs three of these for a one-third stroke.
constexpr std::int64_t kFarBlocks = 2048;

}  // namespace

void DiscScan::Access(report::ScanRecord& record) {
  if (blocks_ < 3 * kFarBlocks) {
    record.refused.push_back("access times need a range of at least " +
                             std::to_string(3 * kFarBlocks) +
                             " blocks, so that the drive's cache cannot hold the place read; "
                             "the range has " +
                             std::to_string(blocks_));
    record.failed = true;
    Note(record.refused.back());
    return;
  }
  if (!Prepare(record)) return;
  report::AccessResult& access = record.access.emplace();
  const int trials = std::max(settings_.accessTrials, 1);
  access.trials = trials;
  Note("Timing accesses: random, one-third and full stroke");
  const std::int64_t first = start_, last = start_ + blocks_ - 1;
  const std::int64_t third = blocks_ / 3;
  // Far enough apart that the cache cannot hold the target: 5 % of the range, at least.
  const std::int64_t minimum = std::max(blocks_ / 20, kFarBlocks);
  bool failed = false, aborted = false;

  // Adds one timed access to `sum`; false when the trials stop (a failed read, Abort).
  auto trial = [&](const char* kind, std::int64_t from, std::int64_t to, bool position,
                   double& sum) {
    if (failed || aborted) return false;
    if (Aborting()) {
      aborted = true;
      return false;
    }
    if (position && Read(from, 1) != SS_COMP) failed = true;
    const std::optional<std::int64_t> micros = failed ? std::nullopt : TimedRead(to, 1);
    if (!micros && abort_) {  // a read stopped by Abort is no failure
      failed = false;
      aborted = true;
      return false;
    }
    if (!micros) {
      failed = true;
      Refused(record, raw_ ? "READ CD" : "READ(10)", SS_ERR, true);
      return false;
    }
    access.timed.push_back({kind, from, to, *micros});
    sum += static_cast<double>(*micros) / 1000.0;
    return true;
  };

  // The mean of the `trials` accesses `run(i, sum)` adds; 0 unless every one was timed.
  auto mean = [&](auto run) {
    double sum = 0;
    int done = 0;
    for (int i = 0; i < trials; ++i) done += run(i, sum);
    return done == trials ? sum / trials : 0.0;
  };

  Positions positions;
  std::int64_t head = positions.Next(first, blocks_);
  // The first positioning read: when it fails no access can be timed, and the step says so.
  if (const BYTE status = Read(head, 1); status != SS_COMP && abort_) {
    aborted = true;  // stopped by Abort: no failure
  } else if (status != SS_COMP) {
    failed = true;
    Refused(record,
            std::string("access times: ") + (raw_ ? "READ CD" : "READ(10)") + " at " +
                std::to_string(head),
            status, true);
  }
  access.randomMs = mean([&](int, double& sum) {
    std::int64_t to = positions.Next(first, blocks_);
    while (std::llabs(to - head) < minimum) to = positions.Next(first, blocks_);
    const bool timed = trial("random", head, to, false, sum);
    head = to;
    return timed;
  });
  access.thirdMs = mean([&](int i, double& sum) {
    const std::int64_t low = first + (trials > 1 ? (blocks_ - third - 1) * i / (trials - 1) : 0);
    const bool out = i % 2 == 0;
    return trial("third", out ? low : low + third, out ? low + third : low, true, sum);
  });
  access.fullMs = mean([&](int i, double& sum) {
    const bool out = i % 2 == 0;
    return trial("full", out ? first : last, out ? last : first, true, sum);
  });
  if (failed) {
    record.access.reset();
  } else if (aborted) {
    access.aborted = true;
    record.failed = true;
    Note("Access times aborted");
  }
}

void DiscScan::SpinUpAborted(report::ScanRecord& record) {
  // The disc is left spinning up again, so that the drive is ready for what comes next.
  drive_.StartStopUnit(device_, true, false, true, &sense_);
  record.spinUpAborted = true;
  record.failed = true;
  Note("Spin-up time aborted");
}

void DiscScan::SpinUp(report::ScanRecord& record) {
  if (!Prepare(record)) return;
  Note("Stopping the disc (START STOP UNIT)");
  sense_ = SenseResult{};
  const BYTE stop = drive_.StartStopUnit(device_, false, false, false, &sense_);
  if (stop != SS_COMP) {
    Refused(record, "START STOP UNIT", stop, true);
    return;
  }
  // Let the disc come to rest, a poll at a time so that Abort is heard.
  for (std::uint32_t waited = 0; waited < settings_.spinDownMs; waited += kPollMs) {
    if (Aborting()) return SpinUpAborted(record);
    Sleep(std::min(kPollMs, settings_.spinDownMs - waited));
  }
  Note("Timing the spin-up");
  const std::uint64_t begin = Now();
  bool started = false;
  while (true) {
    if (Read(start_, 1) == SS_COMP) break;
    if (abort_) return SpinUpAborted(record);
    const bool waiting = session::DriveSession::NotReady(sense_);
    if (!waiting || Now() - begin > std::uint64_t{settings_.readyTimeoutMs} * 1000) {
      Refused(record, raw_ ? "READ CD" : "READ(10)", SS_ERR, true);
      return;
    }
    // The drive waits for a START UNIT (04/02: initializing command required).
    if (sense_.ASCQ == scsi::asc::kInitializingCommandRequired.ascq && !started) {
      started = true;
      drive_.StartStopUnit(device_, true, false, false, &sense_);
      continue;
    }
    if (Aborting()) return SpinUpAborted(record);
    Sleep(kPollMs);
  }
  record.spinUpMs = static_cast<double>(Now() - begin) / 1000.0;
}

}  // namespace scan
