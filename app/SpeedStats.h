// The figures of one speed test: what the progress callbacks track while the timed read
// runs, and the summary computed from the blocks done and the elapsed time.
#pragma once

#include "platform/win32.h"

struct SpeedStats {
  DWORD startTime;        // ms, timer value when the timed read starts
  DWORD lastCommandTime;  // ms, timer value at the previous progress callback
  float highestBurst;     // x, highest single-command speed
  LONG displayInterval;   // commands per display update
  DWORD lastDisplayTime;  // ms, timer value at the previous display update
  LONG commandsSinceDisplay;
  float highestSpeed;    // x, highest displayed current speed
  DWORD kbPerSpeedUnit;  // KB/s of one "1x"
  float speedScale;      // blocks per millisecond -> x
  LONG errorCount;       // commands reported failed

  // Prepares the record for a timed read of blocks of `blockSize` bytes.
  void Prepare(DWORD blockSize);
  // The timed read starts at timer value t0.
  void Start(DWORD t0);

  // What one progress callback found.
  struct Progress {
    float burst;     // speed of this command alone, x
    bool displayed;  // a display group was completed and measured
    float current;   // the group's speed, x (valid when `displayed`)
  };
  // One READ command of `blocks` blocks finished at timer value `now`; the request reads
  // `blocksPerCommand` blocks per command.
  Progress OnCommand(DWORD now, DWORD blocks, DWORD blocksPerCommand);
};

// The summary lines of a finished timed read.
struct RunFigures {
  float kilobytes;  // blocks done x block size / 1024
  float seconds;    // elapsed x 0.001
  float average;    // KB/s
  float speed;      // x
};

// `elapsedMs` of 0 is taken as 1 ms.
RunFigures ComputeRunFigures(DWORD blocksDone, DWORD blockSize, DWORD elapsedMs,
                             DWORD kbPerSpeedUnit);
