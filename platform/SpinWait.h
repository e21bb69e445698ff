// A short, bounded busy wait before a thread blocks. A command that completes on another
// thread usually does so within microseconds; spinning that long first spares both threads
// the kernel's sleep and wake-up, which costs more than the command itself. The bound keeps
// the cost of a long wait to a few tens of microseconds of one core.
#pragma once

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform {

inline constexpr std::chrono::microseconds kSpinBeforeBlocking{50};

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

// Spins until `ready()` answers true or the bound has passed; returns the last answer.
template <class Ready>
bool SpinUntil(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kSpinBeforeBlocking;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (ready()) return true;
      CpuRelax();
    }
    if (std::chrono::steady_clock::now() >= until) return ready();
  }
}

}  // namespace platform
