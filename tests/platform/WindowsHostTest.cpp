// The Windows host's clocks on the real system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/windows/WindowsHost.h"

namespace {

TEST(WindowsHostTest, TheHighResolutionClockIsFinerThanAMillisecondAndKeepsTime) {
  platform::WindowsHost host;
  // The smallest step seen over many changes: a clock of whole milliseconds steps by 1000.
  std::uint64_t smallest = UINT64_MAX;
  std::uint64_t last = host.Microseconds();
  for (int changes = 0, reads = 0; changes < 50 && reads < 10'000'000; ++reads) {
    const std::uint64_t now = host.Microseconds();
    ASSERT_GE(now, last);
    if (now == last) continue;
    smallest = std::min(smallest, now - last);
    last = now;
    ++changes;
  }
  EXPECT_LT(smallest, 1000u);

  // The microseconds measured inside the milliseconds' interval: no longer than it, give or
  // take the milliseconds' own resolution.
  const DWORD startMillis = host.Milliseconds();
  const std::uint64_t startMicros = host.Microseconds();
  host.SleepMilliseconds(50);
  const std::uint64_t micros = host.Microseconds() - startMicros;
  const DWORD millis = host.Milliseconds() - startMillis;
  EXPECT_GE(micros, 45'000u);
  EXPECT_LE(micros, (millis + 2u) * 1000u);
}

}  // namespace
