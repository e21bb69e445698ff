// What forms, timers and controls ask of the application they live in: a place in its
// queue, its list of timers, and word of a form being shown, closed or destroyed. The
// application implements it; forms, timers and controls include this header rather than
// the application's, so the application may include theirs.
#pragma once

#include <functional>

namespace toolkit {

class TForm;
class TTimer;

class TMessageLoop {
 public:
  // Runs `action` at the next message processing.
  virtual void Post(std::function<void()> action) = 0;

 protected:
  ~TMessageLoop() = default;

 private:
  friend class TForm;
  friend class TTimer;
  virtual void FormShown(TForm& form) = 0;
  virtual void FormClosed(TForm& form) = 0;
  virtual void FormDestroyed(TForm& form) = 0;
  virtual void RegisterTimer(TTimer* timer) = 0;
  virtual void UnregisterTimer(TTimer* timer) = 0;
};

// The installed application's loop (defined with the application object).
TMessageLoop* CurrentMessageLoop();

}  // namespace toolkit
