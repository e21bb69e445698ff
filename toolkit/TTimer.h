// A window timer: while enabled (and with an interval and a handler) it raises OnTimer
// through the application's message loop whenever Interval milliseconds of the host clock
// have passed since it was enabled or last ticked. It never interrupts a handler.
#pragma once

#include "platform/win32.h"
#include "toolkit/Control.h"

namespace toolkit {

class TMessageLoop;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  DWORD Interval() const { return interval_; }
  void SetInterval(DWORD ms);  // restarts the count
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);  // enabling starts the count afresh
  TNotifyEvent OnTimer;

  // Whether the timer runs, and the host time of its next tick.
  bool Active() const { return enabled_ && interval_ > 0 && static_cast<bool>(OnTimer); }
  DWORD DueAt() const { return dueAt_; }

 private:
  friend class TApplication;
  void Restart();
  DWORD interval_ = 1000;
  bool enabled_ = true;
  DWORD dueAt_ = 0;
  TMessageLoop* application_ = nullptr;
};

}  // namespace toolkit
