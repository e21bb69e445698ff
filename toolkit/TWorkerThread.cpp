#include "toolkit/TWorkerThread.h"

#include <exception>
#include <string>

#include "toolkit/Application.h"

namespace toolkit {

TWorkerThread::~TWorkerThread() {
  Join();
}

void TWorkerThread::Start(std::function<void()> work, std::function<void()> finished) {
  Join();
  application_ = Application;
  application_->WorkerStarted();
  thread_ = std::thread(
      [app = application_, work = std::move(work), finished = std::move(finished)]() mutable {
        try {
          work();
        } catch (const std::exception& e) {
          app->PostFromThread([text = std::string(e.what())] { throw Exception(text); });
        }
        app->PostFromThread(std::move(finished));
        app->WorkerFinished();
      });
}

void TWorkerThread::Post(std::function<void()> action) {
  if (application_ != nullptr) application_->PostFromThread(std::move(action));
}

void TWorkerThread::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace toolkit
