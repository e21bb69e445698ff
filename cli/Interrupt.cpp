#include "cli/Interrupt.h"

#include <csignal>

namespace {

// Written by the signal handler only: the one thing a handler may safely do.
volatile std::sig_atomic_t gInterrupted = 0;
#ifndef _WIN32
struct sigaction gPrevious {};
#else
void (*gPrevious)(int) = SIG_DFL;
#endif

extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
}

}  // namespace

#ifdef _WIN32
// The C run time resets a handler to the default before calling it, so the next Ctrl-C
// after the first one ends the program, as SA_RESETHAND does elsewhere.
InterruptCatcher::InterruptCatcher() {
  gInterrupted = 0;
  gPrevious = std::signal(SIGINT, OnInterrupt);
  if (gPrevious == SIG_ERR) return;
  if (gPrevious == SIG_IGN) {
    std::signal(SIGINT, SIG_IGN);
    return;
  }
  installed_ = true;
}

InterruptCatcher::~InterruptCatcher() {
  if (installed_) std::signal(SIGINT, gPrevious);
}
#else
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
#endif

bool InterruptCatcher::Requested() {
  return gInterrupted != 0;
}
