#include "toolkit/Application.h"

#include <algorithm>
#include <chrono>

#include "platform/Host.h"
#include "toolkit/TForm.h"
#include "toolkit/TTimer.h"

namespace toolkit {

namespace {

// Whether host time `now` has reached `due`, across the 32-bit wrap of the clock.
bool Reached(DWORD now, DWORD due) {
  return static_cast<LONG>(now - due) >= 0;
}

TApplication& DefaultApplication() {
  static TApplication application;
  return application;
}

}  // namespace

TApplication* Application = &DefaultApplication();

TMessageLoop* CurrentMessageLoop() {
  return Application;
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  DestroyComponents();
  for (TTimer* t : timers_) t->application_ = nullptr;
  timers_.clear();
}

void TApplication::Initialize() {
  terminated_ = false;
}

void TApplication::AddForm(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::FormShown(TForm& form) {
  if (backend_ != nullptr) backend_->FormShown(form);
}

void TApplication::FormClosed(TForm& form) {
  if (backend_ != nullptr) backend_->FormHidden(form);
  if (&form == mainForm_) Terminate();
}

void TApplication::FormDestroyed(TForm& form) {
  if (&form == mainForm_) mainForm_ = nullptr;
}

void TApplication::RegisterTimer(TTimer* timer) {
  timers_.push_back(timer);
}

void TApplication::UnregisterTimer(TTimer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

void TApplication::Run() {
  if (mainForm_ != nullptr && !mainForm_->Visible()) mainForm_->Show();
  while (!terminated_) {
    if (pumpLimit_ != 0 && pumpCount_ >= pumpLimit_) break;
    if (ProcessMessages()) continue;
    if (terminated_ || !Idle()) break;
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessages()) Idle();
}

bool TApplication::ProcessMessages() {
  ++pumpCount_;
  bool ran = false;
  if (backend_ != nullptr) ran = backend_->ProcessEvents();
  ran = RunThreadPosts() || ran;
  platform::Host& host = platform::CurrentHost();
  ran = RunQueued(host.Milliseconds()) || ran;
  ran = RunTimers(host.Milliseconds()) || ran;
  return ran;
}

bool TApplication::RunQueued(DWORD now) {
  // Only what was queued before this pump began runs in it; an action that posts more
  // leaves that for the next pump.
  const std::uint64_t limit = seq_;
  bool ran = false;
  for (;;) {
    auto due = std::find_if(queue_.begin(), queue_.end(), [&](const Posted& p) {
      if (p.seq >= limit) return false;
      switch (p.kind) {
        case Posted::kNow:
          return true;
        case Posted::kPump:
          return pumpCount_ >= p.pump;
        case Posted::kTime:
          return Reached(now, p.time);
      }
      return false;
    });
    if (due == queue_.end()) break;
    std::function<void()> action = std::move(due->action);
    queue_.erase(due);
    ran = true;
    Dispatch(action);
  }
  return ran;
}

bool TApplication::RunTimers(DWORD now) {
  // Most pumps find nothing due: they copy nothing.
  const bool anyDue = std::any_of(timers_.begin(), timers_.end(), [&](const TTimer* t) {
    return t->Active() && Reached(now, t->dueAt_);
  });
  if (!anyDue) return false;
  bool ran = false;
  const std::vector<TTimer*> timers = timers_;
  for (TTimer* t : timers) {
    // A handler may have destroyed or stopped a timer further down the list.
    if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
    if (!t->Active() || !Reached(now, t->dueAt_)) continue;
    t->dueAt_ = now + t->interval_;
    const TNotifyEvent handler = t->OnTimer;
    ran = true;
    Dispatch([&] { handler(t); });
  }
  return ran;
}

bool TApplication::NextDue(DWORD& ms) const {
  const DWORD now = platform::CurrentHost().Milliseconds();
  bool found = false;
  LONG best = 0;
  auto consider = [&](DWORD due) {
    const LONG delta = static_cast<LONG>(due - now);
    if (!found || delta < best) best = delta;
    found = true;
  };
  for (const TTimer* t : timers_)
    if (t->Active()) consider(t->dueAt_);
  for (const Posted& p : queue_)
    if (p.kind == Posted::kTime) consider(p.time);
  if (found) ms = now + static_cast<DWORD>(best);
  return found;
}

bool TApplication::Idle() {
  const bool pumpPending = std::any_of(queue_.begin(), queue_.end(),
                                       [](const Posted& p) { return p.kind != Posted::kTime; });
  if (pumpPending || PendingThreadPosts() > 0) return true;  // the next pump runs them
  DWORD due = 0;
  const bool scheduled = NextDue(due);
  platform::Host& host = platform::CurrentHost();
  const LONG wait =
      scheduled ? std::max<LONG>(0, static_cast<LONG>(due - host.Milliseconds())) : -1;
  if (backend_ != nullptr) {
    backend_->WaitForEvents(wait);
    return true;
  }
  {
    // Headless with worker threads: wait for their posts (the host clock may be virtual and
    // advanced by the workers, so the wait is bounded by a short real time).
    std::unique_lock<std::mutex> lock(threadMutex_);
    if (workers_ > 0) {
      const LONG slice = wait < 0 ? 20 : std::min<LONG>(wait, 20);
      threadPosted_.wait_for(lock, std::chrono::milliseconds(slice),
                             [this] { return !threadQueue_.empty() || workers_ == 0; });
      return true;
    }
  }
  if (!scheduled) return false;  // headless and nothing will ever happen
  if (wait > 0) host.SleepMilliseconds(static_cast<DWORD>(wait));
  return true;
}

void TApplication::SetBackend(TBackend* backend) {
  backend_ = backend;
  std::lock_guard<std::mutex> lock(threadMutex_);
  wakeBackend_ = backend;
}

bool TApplication::ChooseFile(TFileDialogRequest& request) {
  if (backend_ != nullptr) return backend_->ChooseFile(request);
  return fileDialogHandler_ && fileDialogHandler_(request);
}

void TApplication::PostFromThread(std::function<void()> action) {
  std::lock_guard<std::mutex> lock(threadMutex_);
  threadQueue_.push_back(std::move(action));
  threadPosted_.notify_all();
  // Woken under the lock, so the backend cannot go between the post and the wake.
  if (wakeBackend_ != nullptr) wakeBackend_->Wake();
}

bool TApplication::RunThreadPosts() {
  bool ran = false;
  for (;;) {
    std::function<void()> action;
    {
      std::lock_guard<std::mutex> lock(threadMutex_);
      if (threadQueue_.empty()) break;
      action = std::move(threadQueue_.front());
      threadQueue_.pop_front();
      ++threadRunning_;
    }
    ran = true;
    Dispatch(action);
    std::lock_guard<std::mutex> lock(threadMutex_);
    --threadRunning_;
    threadPosted_.notify_all();
  }
  return ran;
}

std::size_t TApplication::PendingThreadPosts() const {
  std::lock_guard<std::mutex> lock(threadMutex_);
  return threadQueue_.size() + threadRunning_;
}

void TApplication::WorkerStarted() {
  std::lock_guard<std::mutex> lock(threadMutex_);
  ++workers_;
}

void TApplication::WorkerFinished() {
  std::lock_guard<std::mutex> lock(threadMutex_);
  --workers_;
  threadPosted_.notify_all();
}

void TApplication::Post(std::function<void()> action) {
  queue_.push_back(Posted{Posted::kNow, 0, 0, seq_++, std::move(action)});
}

void TApplication::PostAtPump(unsigned n, std::function<void()> action) {
  const std::uint64_t pump = pumpCount_ + std::max(1u, n);
  queue_.push_back(Posted{Posted::kPump, pump, 0, seq_++, std::move(action)});
}

void TApplication::PostAtTime(DWORD ms, std::function<void()> action) {
  queue_.push_back(Posted{Posted::kTime, 0, ms, seq_++, std::move(action)});
}

void TApplication::PostAfter(DWORD ms, std::function<void()> action) {
  PostAtTime(platform::CurrentHost().Milliseconds() + ms, std::move(action));
}

void TApplication::Dispatch(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    ShowException(e);
  } catch (const std::exception& e) {
    ShowException(Exception(e.what()));
  }
}

void TApplication::HandleException(TObject* sender) {
  (void)sender;
  if (!std::current_exception()) return;
  try {
    throw;
  } catch (const Exception& e) {
    ShowException(e);
  } catch (const std::exception& e) {
    ShowException(Exception(e.what()));
  }
}

void TApplication::ShowException(const Exception& e) {
  MessageBox(e.Message(), title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

ScopedApplication::ScopedApplication() : previous_(Application), current_(new TApplication) {
  Application = current_;
}

ScopedApplication::~ScopedApplication() {
  delete current_;
  Application = previous_;
}

}  // namespace toolkit
