// The event kernel object: manual-reset (stays signalled until reset) or auto-reset (one
// released wait resets it).
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/KernelObject.h"

namespace platform {

class Event : public KernelObject {
 public:
  Event(bool manualReset, bool initialState)
      : manualReset_(manualReset), signalled_(initialState) {}

  void Set();
  void Reset();
  // WAIT_OBJECT_0 when signalled within `milliseconds` (INFINITE: no limit), else
  // WAIT_TIMEOUT.
  DWORD Wait(DWORD milliseconds);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  const bool manualReset_;
  // Written under lock_; read without it by the spin before a wait blocks.
  std::atomic<bool> signalled_;
};

}  // namespace platform
