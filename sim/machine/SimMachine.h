// The shared state of a simulated machine: its profile, clock, ASPI host adapters, the
// devices at their SCSI addresses, the records of what the program asked and the command
// trace. The Windows-side parts (devices, ports, letters, modules, the ASPI manager) work on
// this object; the SimHost owns it and them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Host.h"
#include "sim/machine/SimClock.h"
#include "sim/machine/SimProfile.h"
#include "sim/machine/SimRecords.h"
#include "sim/scsi/ScsiTarget.h"

namespace sim {

class SimMachine {
 public:
  // Where command traces go (the host's observer).
  using TraceSink = std::function<void(const platform::CommandTrace&)>;

  SimMachine(SimProfile profile, TraceSink trace);
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  const SimProfile& profile() const { return profile_; }
  SimClock& clock() { return clock_; }
  const SimClock& clock() const { return clock_; }

  // The ASPI host adapters: the (port, bus) pairs in order.
  struct Adapter {
    BYTE port;
    BYTE bus;
  };
  const std::vector<Adapter>& Adapters() const { return adapters_; }

  // --- devices at addresses (may change while the machine runs: a drive that vanishes) ---
  std::shared_ptr<ScsiTarget> TargetAt(const ScsiAddress& address) const;
  void PlaceTarget(const ScsiAddress& address, std::shared_ptr<ScsiTarget> target);
  void RemoveTarget(const ScsiAddress& address);
  std::vector<TargetSlot> Targets() const;  // every placed device, in placement order
  // Runs a command on the device at `address` without touching the clock. No device: a
  // reply with responded = false.
  ScsiReply Dispatch(const ScsiAddress& address, const ScsiRequest& request);
  // The same, then the clock advances by the command's service time (or sleeps it).
  ScsiReply Execute(const ScsiAddress& address, const ScsiRequest& request);

  // The records outlive the machine for objects (handles) that are closed after it.
  const std::shared_ptr<SimRecords>& records() const { return records_; }
  void Trace(const platform::CommandTrace& trace) const;

 private:
  SimProfile profile_;
  SimClock clock_;
  std::vector<Adapter> adapters_;
  std::shared_ptr<SimRecords> records_;
  TraceSink trace_;
  mutable std::mutex targetsMutex_;
  std::vector<TargetSlot> targets_;
};

}  // namespace sim
