// A thread of its own for work that must not wait for the window (a measurement): Start runs
// the work on a new thread; the work hands results to the window with Post, which runs them
// on the message loop's thread in order; when the work returns, `finished` runs there too,
// after everything it posted. Join waits for the thread (the window's destructor calls it
// through this object's). An exception escaping the work is shown in the stop box.
#pragma once

#include <functional>
#include <thread>

namespace toolkit {

class TApplication;

class TWorkerThread {
 public:
  TWorkerThread() = default;
  ~TWorkerThread();
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  // Starts `work` on a new thread (an earlier one is joined first); `finished` runs on the
  // loop's thread once the work has returned. Both belong to the installed application.
  void Start(std::function<void()> work, std::function<void()> finished);
  // Posts `action` to the loop's thread (from the work).
  void Post(std::function<void()> action);
  // Waits until the work has returned. The posts it made stay queued for the loop.
  void Join();
  bool Joinable() const { return thread_.joinable(); }

 private:
  TApplication* application_ = nullptr;
  std::thread thread_;
};

}  // namespace toolkit
