// A target that answers a programmed sequence, one step per command it receives, and
// records every command: the CDB, the direction, the data length and the data sent to it.
// Once the script is used up it answers its default step (GOOD, no data, unless changed).
// For transport tests: retries, BUSY, late completion, scripted ASPI status and failed
// pass-through calls.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "sim/scsi/ScsiTarget.h"

namespace sim {

struct ScriptedStep {
  ScsiReply reply;                 // status, sense, scripted statuses, service time, lateness
  std::vector<std::uint8_t> data;  // data-in bytes to return (cut at the transfer length)

  static ScriptedStep Good(std::vector<std::uint8_t> data = {});
  static ScriptedStep CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
  static ScriptedStep Busy();                             // target status BUSY
  static ScriptedStep Status(std::uint8_t status);        // any other target status byte
  static ScriptedStep NoAnswer();                         // the target does not answer at all
  static ScriptedStep SrbStatus(std::uint8_t srbStatus);  // ASPI path: this SRB_Status
  static ScriptedStep IoctlFailure(std::uint32_t error);  // pass-through: the call fails

  ScriptedStep& Late(std::uint32_t ms);           // ASPI path: complete ms later
  ScriptedStep& Service(std::uint64_t micros);    // time spent in the drive
  ScriptedStep& HostStatus(std::uint8_t haStat);  // ASPI path: SRB_HaStat
};

class ScriptedTarget : public ScsiTarget {
 public:
  explicit ScriptedTarget(std::uint8_t peripheralType = scsi::inquiry::kCdDvd);

  // Appends steps to the script.
  ScriptedTarget& Then(ScriptedStep step);
  ScriptedTarget& Then(ScriptedStep step, int times);
  // What it answers once the script is used up.
  void SetDefault(ScriptedStep step);
  // Off, commands are counted but not copied: Execute allocates nothing (for tests that
  // count allocations per command). On by default.
  void SetRecording(bool on);

  struct Command {
    std::vector<std::uint8_t> cdb;  // the 16 CDB bytes as received
    std::uint8_t cdbLength = 0;
    DataDirection direction = DataDirection::None;
    std::uint32_t dataLength = 0;
    std::vector<std::uint8_t> dataOut;  // the bytes sent with a data-out command
    std::uint64_t nowMicros = 0;
  };
  std::vector<Command> Commands() const;  // empty for commands received while not recording
  std::size_t CommandCount() const;       // every command received
  std::size_t StepsLeft() const;

  ScsiReply Execute(const ScsiRequest& request) override;
  std::uint8_t PeripheralType() const override { return peripheralType_; }

 private:
  std::uint8_t peripheralType_;
  mutable std::mutex mutex_;
  std::deque<ScriptedStep> script_;
  ScriptedStep default_;
  std::vector<Command> commands_;
  bool recording_ = true;
  std::size_t count_ = 0;
};

}  // namespace sim
