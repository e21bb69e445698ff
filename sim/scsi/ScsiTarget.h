// What sits at a SCSI address of the simulated machine: an MMC drive, a hard disk or a
// scripted target. The simulated ASPI manager and the simulated pass-through ports hand
// every command to a target and advance the machine's clock by the service time it reports.
#pragma once

#include <cstdint>

#include "scsi/Inquiry.h"
#include "scsi/Status.h"

namespace sim {

enum class DataDirection { None, In, Out };

struct ScsiRequest {
  const std::uint8_t* cdb = nullptr;  // 16 bytes are readable
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint8_t* data = nullptr;  // the transfer area, dataLength bytes
  std::uint32_t dataLength = 0;
  std::uint64_t nowMicros = 0;  // the machine's clock when the command reaches the target
};

struct ScsiReply {
  bool responded = true;  // false: no answer at all (selection time-out, vanished)
  std::uint8_t status = scsi::status::kGood;  // SCSI status (GOOD, CHECK CONDITION, BUSY ...)
  std::uint8_t sense[18] = {};  // sense data with CHECK CONDITION (fixed format, 18 bytes)
  std::uint8_t senseLength = 0;
  std::uint32_t transferred = 0;       // data bytes moved
  std::uint64_t serviceMicros = 0;     // how long the command took in the drive
  std::uint32_t lateCompletionMs = 0;  // scripted: complete this much later (ASPI path)
  std::uint8_t srbStatus = 0;          // scripted: SRB_Status the ASPI manager reports (0: derive)
  std::uint8_t hostStatus = 0;         // scripted: SRB_HaStat the ASPI manager reports
  std::uint32_t ioctlError = 0;        // scripted: the pass-through call fails with this error
};

class ScsiTarget {
 public:
  virtual ~ScsiTarget() = default;
  virtual ScsiReply Execute(const ScsiRequest& request) = 0;
  // The peripheral device type the ASPI manager reports for SC_GET_DEV_TYPE (what it learnt
  // from the device at start-up): CD-ROM unless the device says otherwise.
  virtual std::uint8_t PeripheralType() const { return scsi::inquiry::kCdDvd; }
  // A bus device reset (SC_RESET_DEV) reached the device.
  virtual void Reset() {}
};

}  // namespace sim
