// Ctrl-C on the command line. The first interrupt is only noted (the run clicks Abort when
// it next processes messages); the handler is then gone, so a second interrupt ends the
// program at once, as interrupts do.
#pragma once

// Installs the handler for SIGINT for the life of the object and restores the previous
// disposition after. An interrupt that was ignored when the program started (a background
// job of a shell without job control) stays ignored.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Whether an interrupt arrived since the handler was installed.
  static bool Requested();

 private:
  bool installed_ = false;
};
