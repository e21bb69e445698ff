// The result record of one speed test, filled by the speed test as it runs: what was
// measured, where, and how the run ended. The window's report lines and every output format
// show these values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "report/DriveRecord.h"

namespace report {

enum class ReadMode { Data, Raw };  // 2048-byte user data, or 2352-byte raw sectors

inline const char* ReadModeName(ReadMode m) {
  return m == ReadMode::Data ? "data" : "raw";
}

// The figures of the timed read, in the single precision the speed test computes them in.
struct SpeedFigures {
  float seconds = 0;
  float kilobytes = 0;
  float averageKBps = 0;
  std::uint32_t kbPerX = 0;  // KB/s of one "1x" in the mode's sector size
  float averageX = 0;
  std::optional<float> highestX;  // highest displayed current speed; absent when none was
  std::optional<float> burstX;    // highest single-command speed; absent with display off
  std::int32_t failedCommands = 0;
};

struct SpeedTestRecord {
  DriveRecord drive;
  DiscRecord disc;
  ReadMode mode = ReadMode::Data;       // the mode read in, after any fall-back to raw
  std::int64_t start = 0;               // range: first block
  std::int64_t blocks = 0;              // range: blocks asked for
  std::optional<SpeedFigures> figures;  // absent when the run stopped before the timed read
  bool aborted = false;
  std::string abortReason;  // why, in the report's words, when `aborted`

  bool ResultsIgnored() const { return aborted || (figures && figures->failedCommands > 0); }
};

}  // namespace report
