#include "toolkit/TTimer.h"

#include "platform/Host.h"
#include "toolkit/MessageLoop.h"

namespace toolkit {

TTimer::TTimer(TComponent* owner) : TComponent(owner), application_(CurrentMessageLoop()) {
  Restart();
  if (application_ != nullptr) application_->RegisterTimer(this);
}

TTimer::~TTimer() {
  if (application_ != nullptr) application_->UnregisterTimer(this);
}

void TTimer::SetInterval(DWORD ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) Restart();
}

void TTimer::Restart() {
  dueAt_ = platform::CurrentHost().Milliseconds() + interval_;
}

}  // namespace toolkit
