// The result of a surface scan: every block of the range read and timed, and the blocks
// that stood out — unreadable (with the drive's sense), weak (read, but only after the
// drive retried) and C2-flagged — as runs of adjacent blocks, with their counts and a
// coarse speed curve of the read for the map.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace report {

// A run of adjacent blocks of one mark. `sense` is the unreadable run's sense
// ("03/11/00"), empty for the other marks.
struct SurfaceRun {
  std::int64_t first = 0;
  std::int64_t blocks = 0;
  std::string sense;
};

// One stretch of the read, timed as a whole: the speed the map's curve draws.
struct SurfaceSpeed {
  std::int64_t lba = 0;
  std::int64_t blocks = 0;
  double speedX = 0;  // in the medium's 1x
};

struct SurfaceResult {
  std::string mode;  // "data" or "raw"
  std::int64_t start = 0;
  std::int64_t blocks = 0;  // the range asked for
  std::int32_t blocksPerCommand = 27;
  std::int64_t read = 0;  // blocks judged (the range, unless aborted)
  std::int64_t weakCount = 0;
  std::int64_t unreadableCount = 0;
  std::int64_t c2Count = 0;
  std::vector<SurfaceRun> unreadable;
  std::vector<SurfaceRun> weak;
  std::vector<SurfaceRun> c2;
  std::vector<SurfaceSpeed> speeds;
  // The drive's read retry count during the scan (page 01h), when it could be set.
  std::optional<int> retryCount;
  bool aborted = false;
  std::string abortReason;

  // Blocks read without a mark of their own (a C2-flagged block counts as read).
  std::int64_t GoodCount() const { return read - weakCount - unreadableCount; }
};

// Adds `blocks` blocks from `first` to `runs`, joining the last run when they follow it
// with the same sense.
inline void AddToRuns(std::vector<SurfaceRun>& runs, std::int64_t first, std::int64_t blocks,
                      const std::string& sense = {}) {
  if (!runs.empty() && runs.back().first + runs.back().blocks == first &&
      runs.back().sense == sense) {
    runs.back().blocks += blocks;
    return;
  }
  runs.push_back({first, blocks, sense});
}

}  // namespace report
