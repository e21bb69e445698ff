#include "cli/Interrupt.h"

#include <csignal>

namespace {

// Written by the signal handler only: the one thing a handler may safely do.
volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gPrevious {};

extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  gInterrupted = 0;
  struct sigaction current {};
  if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // one interrupt caught; the next one is the default's
  installed_ = sigaction(SIGINT, &action, &gPrevious) == 0;
}

InterruptCatcher::~InterruptCatcher() {
  if (installed_) sigaction(SIGINT, &gPrevious, nullptr);
}

bool InterruptCatcher::Requested() {
  return gInterrupted != 0;
}
