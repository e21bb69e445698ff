// Ctrl-C: caught once while the catcher lives, and the previous disposition restored after.
#include "cli/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using Handler = void (*)(int);

// The handler SIGINT has now, left in place.
Handler Disposition() {
#ifdef _WIN32
  const Handler current = std::signal(SIGINT, SIG_DFL);
  std::signal(SIGINT, current);
  return current;
#else
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  return current.sa_handler;
#endif
}

TEST(InterruptTest, TheFirstInterruptIsNotedAndTheNextIsTheDefaults) {
  const Handler before = Disposition();
  {
    InterruptCatcher catcher;
    EXPECT_FALSE(InterruptCatcher::Requested());
    std::raise(SIGINT);
    EXPECT_TRUE(InterruptCatcher::Requested());
    EXPECT_EQ(Disposition(), SIG_DFL);  // a second Ctrl-C would end the program
  }
  EXPECT_EQ(Disposition(), before);
}

}  // namespace
