// The simulated machine's clock. Virtual: time stands still until something advances it
// (a target's service time, Sleep, a test), so runs are deterministic. Real time: the
// steady clock, and advancing it means sleeping.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "sim/machine/SimProfile.h"

namespace sim {

class SimClock {
 public:
  explicit SimClock(ClockMode mode = ClockMode::Virtual, std::int64_t calendarStart = 946684800);

  ClockMode mode() const { return mode_; }
  // Microseconds since the machine started.
  std::uint64_t NowMicros() const;
  // Virtual: moves time on. Real time: sleeps that long.
  void Advance(std::uint64_t micros);
  // timeGetTime: milliseconds, wrapping at 2^32 as the real counter does.
  DWORD Milliseconds() const { return static_cast<DWORD>(NowMicros() / 1000); }
  // time(): calendar seconds.
  std::int64_t CalendarSeconds() const;

 private:
  ClockMode mode_;
  std::int64_t calendarStart_;
  std::atomic<std::uint64_t> virtualMicros_{0};
  std::chrono::steady_clock::time_point realStart_;
};

}  // namespace sim
