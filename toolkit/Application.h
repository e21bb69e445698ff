// The application: title, forms, the message loop and the message queue.
//
// The queue holds the user's actions (posted by a backend or a test) and runs them at the
// next message processing, together with the timers that are due by the host clock
// (platform::CurrentHost().Milliseconds()). ProcessMessages may be called from inside a
// handler, so handlers nest. An Exception that escapes a handler is shown in a stop box
// titled with the application title; the loop carries on.
//
// Other threads hand work to the loop with PostFromThread: the action runs on the thread of
// the message loop, at its next message processing (the backend is woken for it).
//
// Without a backend (headless) the loop sleeps on the host until the next timer or timed
// action is due (or, while worker threads run, until one posts), and ends when the main
// form closes, Terminate is called, the pump limit is reached, or nothing can happen any
// more (no timer running, nothing queued, no worker thread running).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "toolkit/Control.h"
#include "toolkit/Exception.h"
#include "toolkit/MessageLoop.h"

namespace toolkit {

class TForm;
class TTimer;
struct TFileDialogRequest;

// Draws forms and delivers the user's input (the Qt view is one).
class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual void FormShown(TForm& form) = 0;
  virtual void FormHidden(TForm& form) { (void)form; }
  // Delivers the input waiting now (it reaches the controls' User* operations); returns
  // whether there was any.
  virtual bool ProcessEvents() = 0;
  // Waits up to `milliseconds` (negative: without limit) for input, then delivers it.
  virtual void WaitForEvents(int milliseconds) = 0;
  // Called on any thread after an action was posted from another thread: the loop's thread
  // is to run Application->RunThreadPosts() soon, also while it waits for input or runs a
  // modal dialog's loop.
  virtual void Wake() {}
  // Shows a dialog that chooses a file (see TFileDialog); false when cancelled.
  virtual bool ChooseFile(TFileDialogRequest& request) {
    (void)request;
    return false;
  }
};

class TApplication : public TComponent, public TMessageLoop {
 public:
  TApplication();
  ~TApplication() override;

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  void Initialize();
  // Creates a form owned by the application (constructed as T(owner, args...)); the
  // first one becomes the main form.
  template <class T, class... Args>
  void CreateForm(T*& reference, Args&&... args) {
    reference = new T(this, std::forward<Args>(args)...);
    AddForm(reference);
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and runs the message loop until it ends (see above).
  void Run();
  // Runs what is due now: the backend's input, queued actions, due timers. Returns
  // whether anything ran.
  bool ProcessMessages();
  // One turn of the loop: process, or wait for the next thing to be due.
  void HandleMessage();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // The queue. Post: at the next pump. PostAtPump(n): at the n-th pump from now (1 = the
  // next). PostAtTime: at the first pump when the host clock reads `ms` or later.
  // PostAfter: `ms` from now.
  void Post(std::function<void()> action) override;
  void PostAtPump(unsigned n, std::function<void()> action);
  void PostAtTime(DWORD ms, std::function<void()> action);
  void PostAfter(DWORD ms, std::function<void()> action);
  std::size_t PendingActions() const { return queue_.size(); }

  // Posts from any thread: `action` runs on the loop's thread, in the order posted, at its
  // next message processing. Safe to call while the loop runs or waits.
  void PostFromThread(std::function<void()> action);
  // Runs what other threads have posted (the loop's thread; the backends call it when
  // woken). Returns whether anything ran.
  bool RunThreadPosts();
  // Posts from other threads not yet run (any thread).
  std::size_t PendingThreadPosts() const;
  // Worker threads that may still post (TWorkerThread counts itself): a headless loop
  // waits for their posts instead of ending.
  void WorkerStarted();
  void WorkerFinished();
  std::uint64_t PumpCount() const { return pumpCount_; }
  // Run() ends after this many pumps (0: no limit). A guard for tests and scripts.
  void SetPumpLimit(std::uint64_t limit) { pumpLimit_ = limit; }

  // Runs `action` as a handler: an Exception escaping it goes to the stop box.
  void Dispatch(const std::function<void()>& action);
  // In a catch block: shows the exception being handled (toolkit Exceptions and standard
  // exceptions by their message).
  void HandleException(TObject* sender);
  // The stop box: MessageBoxA(owner, message, Title, MB_OK | MB_ICONSTOP).
  void ShowException(const Exception& e);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  void SetBackend(TBackend* backend);
  // A file dialog: the backend's, or headless the handler set here (tests answer with it).
  bool ChooseFile(TFileDialogRequest& request);
  void SetFileDialogHandler(std::function<bool(TFileDialogRequest&)> handler) {
    fileDialogHandler_ = std::move(handler);
  }
  TBackend* Backend() const { return backend_; }

  // Host time of the next timer tick or timed action, if any.
  bool NextDue(DWORD& ms) const;

 private:
  struct Posted {
    enum Kind { kNow, kPump, kTime } kind;
    std::uint64_t pump;
    DWORD time;
    std::uint64_t seq;
    std::function<void()> action;
  };
  void AddForm(TForm* form);
  void FormShown(TForm& form) override;
  void FormClosed(TForm& form) override;
  void FormDestroyed(TForm& form) override;
  void RegisterTimer(TTimer* timer) override;
  void UnregisterTimer(TTimer* timer) override;
  bool RunQueued(DWORD now);
  bool RunTimers(DWORD now);
  bool Idle();

  std::string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::uint64_t pumpCount_ = 0;
  std::uint64_t pumpLimit_ = 0;
  std::uint64_t seq_ = 0;
  std::vector<Posted> queue_;
  std::vector<TTimer*> timers_;
  TBackend* backend_ = nullptr;
  std::function<bool(TFileDialogRequest&)> fileDialogHandler_;

  // Posts of other threads; the backend they wake is read under the same lock.
  mutable std::mutex threadMutex_;
  std::condition_variable threadPosted_;
  std::deque<std::function<void()>> threadQueue_;
  std::size_t threadRunning_ = 0;  // taken from the queue, not yet finished
  TBackend* wakeBackend_ = nullptr;
  int workers_ = 0;
};

// The application object.
extern TApplication* Application;

// Installs a fresh application for a scope (tests), restoring the previous one after.
class ScopedApplication {
 public:
  ScopedApplication();
  ~ScopedApplication();
  ScopedApplication(const ScopedApplication&) = delete;
  ScopedApplication& operator=(const ScopedApplication&) = delete;
  TApplication& operator*() { return *current_; }
  TApplication* operator->() { return current_; }

 private:
  TApplication* previous_;
  TApplication* current_;
};

}  // namespace toolkit
