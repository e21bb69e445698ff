// Events: a member function bound to an owner object, called with the sending object.
#pragma once

#include <functional>

namespace toolkit {

class TObject {
 public:
  virtual ~TObject() = default;
};

class TNotifyEvent {
 public:
  TNotifyEvent() = default;
  template <class Owner, class Method>
  TNotifyEvent(Owner* owner, Method method)
      : owner_(owner), call_([owner, method](TObject* sender) { (owner->*method)(sender); }) {}
  // A free function or lambda (tests, tools).
  explicit TNotifyEvent(std::function<void(TObject*)> fn) : call_(std::move(fn)) {}

  explicit operator bool() const { return static_cast<bool>(call_); }
  // Runs a copy, so that a handler may destroy the control that holds this event (a
  // button whose click closes and frees its window).
  void operator()(TObject* sender) const {
    if (!call_) return;
    const std::function<void(TObject*)> call = call_;
    call(sender);
  }
  const void* Owner() const { return owner_; }

 private:
  const void* owner_ = nullptr;
  std::function<void(TObject*)> call_;
};

}  // namespace toolkit
