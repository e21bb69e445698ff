#include "app/SpeedStats.h"

#include <cstdint>

namespace {

constexpr float kSameMillisecondInterval = 0.9f;  // ms, for two callbacks in one tick

// Every figure is rounded to single precision at each step, also where the processor
// would keep more (the x87 unit of 32-bit builds computes in extended precision).
float Single(float value) {
  volatile float stored = value;
  return stored;
}

}  // namespace

void SpeedStats::Prepare(DWORD blockSize) {
  kbPerSpeedUnit = (blockSize * 75u) >> 10;
  speedScale = Single(static_cast<float>(blockSize * 1000.0 / (kbPerSpeedUnit * 1024.0)));
  displayInterval = 4;
  errorCount = 0;
  commandsSinceDisplay = 0;
  highestSpeed = 0;
  highestBurst = 0;
}

void SpeedStats::Start(DWORD t0) {
  startTime = t0;
  lastCommandTime = t0;
  lastDisplayTime = t0;
}

SpeedStats::Progress SpeedStats::OnCommand(DWORD now, DWORD blocks, DWORD blocksPerCommand) {
  Progress result{};
  float dt = Single(static_cast<float>(static_cast<DWORD>(now - lastCommandTime)));
  lastCommandTime = now;
  if (dt == 0) dt = kSameMillisecondInterval;
  result.burst = Single(Single(static_cast<float>(blocks) / dt) * speedScale);

  ++commandsSinceDisplay;
  if (commandsSinceDisplay == displayInterval) {
    // The window is the timer difference itself (unsigned, so a wrap of the timer does
    // no harm and no precision is lost on a machine that has been up for long).
    const DWORD windowMs = now - lastDisplayTime;
    if (windowMs > 0) {
      const float window = Single(static_cast<float>(windowMs));
      const float n = Single(static_cast<float>(
          static_cast<std::uint64_t>(displayInterval - 1) * blocksPerCommand + blocks));
      result.current = Single(Single(n / window) * speedScale);
      result.displayed = true;
      if (result.current > highestSpeed) highestSpeed = result.current;
    }
    // A group that completed within one timer tick cannot be measured: no speed is shown
    // for it and the next group is measured from here.
    commandsSinceDisplay = 0;
    lastDisplayTime = now;
  }

  if (!(highestBurst >= result.burst)) highestBurst = result.burst;
  return result;
}

RunFigures ComputeRunFigures(DWORD blocksDone, DWORD blockSize, DWORD elapsedMs,
                             DWORD kbPerSpeedUnit) {
  if (elapsedMs == 0) elapsedMs = 1;
  RunFigures f{};
  const std::uint64_t bytes = static_cast<std::uint64_t>(blocksDone) * blockSize;
  f.kilobytes = Single(Single(static_cast<float>(bytes)) * (1.0f / 1024.0f));
  // Milliseconds to seconds rounded once to single precision (a product with 0.001f would
  // round twice: 80 ms would be 0.0800000057 s).
  f.seconds = Single(static_cast<float>(static_cast<double>(elapsedMs) / 1000.0));
  f.average = Single(f.kilobytes / f.seconds);
  f.speed = kbPerSpeedUnit != 0 ? Single(f.average / static_cast<float>(kbPerSpeedUnit)) : 0.0f;
  return f;
}
