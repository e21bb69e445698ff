// The clocks a timed read is measured on: the high-resolution counter (microseconds) for the
// scan, and the multimedia timer (milliseconds, its resolution raised to 1 ms, else 2 ms)
// for the speed test.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace session {

// The high-resolution counter, in microseconds.
std::uint64_t Microseconds();

// The multimedia timer at its finest resolution while the object lives, or until End().
class MultimediaTimer {
 public:
  MultimediaTimer();
  ~MultimediaTimer() { End(); }
  MultimediaTimer(const MultimediaTimer&) = delete;
  MultimediaTimer& operator=(const MultimediaTimer&) = delete;

  static DWORD Now() { return timeGetTime(); }
  UINT Period() const { return period_; }
  // The resolution goes back to what it was.
  void End();

 private:
  UINT period_ = 1;
  bool ended_ = false;
};

}  // namespace session
