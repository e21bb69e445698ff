#include "session/ReadClock.h"

namespace session {

std::uint64_t Microseconds() {
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return static_cast<std::uint64_t>(count.QuadPart);
}

MultimediaTimer::MultimediaTimer() {
  if (timeBeginPeriod(1) == TIMERR_NOCANDO) {
    timeBeginPeriod(2);
    period_ = 2;
  }
}

void MultimediaTimer::End() {
  if (ended_) return;
  ended_ = true;
  timeEndPeriod(period_);
}

}  // namespace session
