#include "sim/machine/SimMachine.h"

#include <algorithm>

namespace sim {

SimMachine::SimMachine(SimProfile profile, TraceSink trace)
    : profile_(std::move(profile)),
      clock_(profile_.clock, profile_.calendarStart),
      records_(std::make_shared<SimRecords>()),
      trace_(std::move(trace)) {
  records_->recordCalls = profile_.recordCalls;
  for (std::size_t port = 0; port < profile_.ports.size(); ++port) {
    for (BYTE bus = 0; bus < profile_.ports[port].buses; ++bus) {
      adapters_.push_back(Adapter{static_cast<BYTE>(port), bus});
    }
  }
  targets_ = profile_.targets;
}

std::shared_ptr<ScsiTarget> SimMachine::TargetAt(const ScsiAddress& address) const {
  std::lock_guard lock(targetsMutex_);
  for (const TargetSlot& slot : targets_) {
    if (slot.address == address) return slot.target;
  }
  return nullptr;
}

void SimMachine::PlaceTarget(const ScsiAddress& address, std::shared_ptr<ScsiTarget> target) {
  std::lock_guard lock(targetsMutex_);
  for (TargetSlot& slot : targets_) {
    if (slot.address == address) {
      slot.target = std::move(target);
      return;
    }
  }
  targets_.push_back(TargetSlot{address, std::move(target)});
}

std::vector<TargetSlot> SimMachine::Targets() const {
  std::lock_guard lock(targetsMutex_);
  return targets_;
}

void SimMachine::RemoveTarget(const ScsiAddress& address) {
  std::lock_guard lock(targetsMutex_);
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                [&](const TargetSlot& slot) { return slot.address == address; }),
                 targets_.end());
}

ScsiReply SimMachine::Dispatch(const ScsiAddress& address, const ScsiRequest& request) {
  std::shared_ptr<ScsiTarget> target = TargetAt(address);
  if (!target) {
    ScsiReply none;
    none.responded = false;
    return none;
  }
  ScsiRequest timed = request;
  timed.nowMicros = clock_.NowMicros();
  ScsiReply reply = target->Execute(timed);
  if (reply.transferred > request.dataLength) reply.transferred = request.dataLength;
  if (reply.senseLength > sizeof(reply.sense)) reply.senseLength = sizeof(reply.sense);
  return reply;
}

ScsiReply SimMachine::Execute(const ScsiAddress& address, const ScsiRequest& request) {
  ScsiReply reply = Dispatch(address, request);
  clock_.Advance(reply.serviceMicros);
  return reply;
}

void SimMachine::Trace(const platform::CommandTrace& trace) const {
  if (trace_) trace_(trace);
}

}  // namespace sim
