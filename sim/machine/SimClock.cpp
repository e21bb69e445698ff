#include "sim/machine/SimClock.h"

#include <thread>

namespace sim {

SimClock::SimClock(ClockMode mode, std::int64_t calendarStart)
    : mode_(mode), calendarStart_(calendarStart), realStart_(std::chrono::steady_clock::now()) {}

std::uint64_t SimClock::NowMicros() const {
  if (mode_ == ClockMode::Virtual) return virtualMicros_.load();
  auto elapsed = std::chrono::steady_clock::now() - realStart_;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void SimClock::Advance(std::uint64_t micros) {
  if (mode_ == ClockMode::Virtual) {
    virtualMicros_.fetch_add(micros);
    return;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(micros));
}

std::int64_t SimClock::CalendarSeconds() const {
  if (mode_ == ClockMode::Virtual) {
    return calendarStart_ + static_cast<std::int64_t>(NowMicros() / 1000000);
  }
  return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count());
}

}  // namespace sim
