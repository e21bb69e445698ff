#include "cli/Interrupt.h"

#include <csignal>
#include <iterator>

namespace {

// Written by the signal handler only: the one thing a handler may safely do.
volatile std::sig_atomic_t gSignal = 0;

#ifndef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction gPrevious[std::size(kSignals)]{};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM};
void (*gPrevious[std::size(kSignals)])(int) = {};
#endif

extern "C" void OnSignal(int signal) {
  if (gSignal == 0) gSignal = signal;
}

}  // namespace

static_assert(std::size(kSignals) <= 4);

#ifdef _WIN32
// The C run time resets a handler to the default before calling it, so the next Ctrl-C
// after the first one ends the program, as SA_RESETHAND does elsewhere.
InterruptCatcher::InterruptCatcher() {
  gSignal = 0;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    gPrevious[i] = std::signal(kSignals[i], OnSignal);
    if (gPrevious[i] == SIG_ERR) continue;
    if (gPrevious[i] == SIG_IGN) {
      std::signal(kSignals[i], SIG_IGN);
      continue;
    }
    installed_[i] = true;
  }
}

InterruptCatcher::~InterruptCatcher() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (installed_[i]) std::signal(kSignals[i], gPrevious[i]);
}
#else
InterruptCatcher::InterruptCatcher() {
  gSignal = 0;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    struct sigaction current {};
    if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // One caught; the next one is the default's. A closed pipe stays caught: every later
    // write to it would raise it again before the run has put the drive back.
    action.sa_flags = kSignals[i] == SIGPIPE ? 0 : SA_RESETHAND;
    installed_[i] = sigaction(kSignals[i], &action, &gPrevious[i]) == 0;
  }
}

InterruptCatcher::~InterruptCatcher() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    if (installed_[i]) sigaction(kSignals[i], &gPrevious[i], nullptr);
}
#endif

bool InterruptCatcher::Requested() {
  return gSignal != 0;
}

bool InterruptCatcher::Ended() {
  return gSignal != 0 && gSignal != SIGINT;
}

int InterruptCatcher::Signal() {
  return gSignal;
}

bool InterruptCatcher::PipeClosed() {
#ifndef _WIN32
  return gSignal == SIGPIPE;
#else
  return false;
#endif
}

void InterruptCatcher::EndBySignal() {
  const int signal = gSignal;
  if (signal == 0 || signal == SIGINT) return;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
