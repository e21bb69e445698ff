// Ctrl-C on the command line, and the signals that end a program from outside. The first
// interrupt is only noted (the run clicks Abort when it next processes messages, so the
// drive is left as it was found); that signal's handler is then gone, so a second one ends
// the program at once, as interrupts do. SIGTERM and SIGHUP are taken as a first Ctrl-C,
// and so is SIGPIPE: a reader that went away ends the run the same way.
#pragma once

// Installs the handlers for the life of the object and restores the previous dispositions
// after. A signal that was ignored when the program started (an interrupt in a background
// job of a shell without job control, a hang-up under nohup) stays ignored.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Whether any of the signals arrived since the handlers were installed.
  static bool Requested();
  // Whether one came from outside the user's Ctrl-C (SIGTERM, SIGHUP, SIGPIPE): the run is
  // being ended, not aborted, and writes nothing more.
  static bool Ended();
  // The first signal that arrived, 0 for none.
  static int Signal();
  // Whether that signal was SIGPIPE: a pipe or FIFO written to lost its reader.
  static bool PipeClosed();
  // Ends the program by the signal that arrived, as its default would have, after the run
  // has put the drive back. Returns when that signal is SIGINT or none.
  static void EndBySignal();

 private:
  static constexpr int kCaught = 4;
  bool installed_[kCaught] = {};
};
