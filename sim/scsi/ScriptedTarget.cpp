#include "sim/scsi/ScriptedTarget.h"

#include <algorithm>
#include <cstring>

#include "scsi/Status.h"
#include "sim/scsi/InquiryDevice.h"

namespace sim {

ScriptedStep ScriptedStep::Good(std::vector<std::uint8_t> data) {
  ScriptedStep step;
  step.data = std::move(data);
  return step;
}

ScriptedStep ScriptedStep::CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  ScriptedStep step;
  SetCheckCondition(step.reply, key, asc, ascq);
  return step;
}

ScriptedStep ScriptedStep::Busy() {
  return Status(scsi::status::kBusy);
}

ScriptedStep ScriptedStep::Status(std::uint8_t status) {
  ScriptedStep step;
  step.reply.status = status;
  return step;
}

ScriptedStep ScriptedStep::NoAnswer() {
  ScriptedStep step;
  step.reply.responded = false;
  return step;
}

ScriptedStep ScriptedStep::SrbStatus(std::uint8_t srbStatus) {
  ScriptedStep step;
  step.reply.srbStatus = srbStatus;
  return step;
}

ScriptedStep ScriptedStep::IoctlFailure(std::uint32_t error) {
  ScriptedStep step;
  step.reply.ioctlError = error;
  return step;
}

ScriptedStep& ScriptedStep::Late(std::uint32_t ms) {
  reply.lateCompletionMs = ms;
  return *this;
}

ScriptedStep& ScriptedStep::Service(std::uint64_t micros) {
  reply.serviceMicros = micros;
  return *this;
}

ScriptedStep& ScriptedStep::HostStatus(std::uint8_t haStat) {
  reply.hostStatus = haStat;
  return *this;
}

ScriptedTarget::ScriptedTarget(std::uint8_t peripheralType) : peripheralType_(peripheralType) {}

ScriptedTarget& ScriptedTarget::Then(ScriptedStep step) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(step));
  return *this;
}

ScriptedTarget& ScriptedTarget::Then(ScriptedStep step, int times) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < times; ++i) script_.push_back(step);
  return *this;
}

void ScriptedTarget::SetDefault(ScriptedStep step) {
  std::lock_guard lock(mutex_);
  default_ = std::move(step);
}

void ScriptedTarget::SetRecording(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

std::vector<ScriptedTarget::Command> ScriptedTarget::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::size_t ScriptedTarget::CommandCount() const {
  std::lock_guard lock(mutex_);
  return count_;
}

std::size_t ScriptedTarget::StepsLeft() const {
  std::lock_guard lock(mutex_);
  return script_.size();
}

ScsiReply ScriptedTarget::Execute(const ScsiRequest& request) {
  std::lock_guard lock(mutex_);
  ++count_;
  if (recording_) {
    Command command;
    command.cdb.assign(request.cdb, request.cdb + 16);
    command.cdbLength = request.cdbLength;
    command.direction = request.direction;
    command.dataLength = request.dataLength;
    command.nowMicros = request.nowMicros;
    if (request.direction == DataDirection::Out && request.data != nullptr) {
      command.dataOut.assign(request.data, request.data + request.dataLength);
    }
    commands_.push_back(std::move(command));
  }

  const bool scripted = !script_.empty();
  const ScriptedStep& step = scripted ? script_.front() : default_;
  ScsiReply reply = step.reply;
  reply.transferred = 0;
  if (request.direction == DataDirection::In && request.data != nullptr) {
    std::uint32_t count =
        static_cast<std::uint32_t>(std::min<std::size_t>(step.data.size(), request.dataLength));
    if (count != 0) std::memcpy(request.data, step.data.data(), count);
    reply.transferred = count;
  } else if (request.direction == DataDirection::Out && reply.status == scsi::status::kGood) {
    reply.transferred = request.dataLength;
  }
  if (scripted) script_.pop_front();
  return reply;
}

}  // namespace sim
