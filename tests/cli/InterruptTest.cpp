// Ctrl-C: caught once while the catcher lives, and the previous disposition restored after.
#include "cli/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(InterruptTest, TheFirstInterruptIsNotedAndTheNextIsTheDefaults) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  {
    InterruptCatcher catcher;
    EXPECT_FALSE(InterruptCatcher::Requested());
    std::raise(SIGINT);
    EXPECT_TRUE(InterruptCatcher::Requested());
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);  // a second Ctrl-C would end the program
  }
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
