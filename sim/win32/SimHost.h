// The simulated Windows machine: a platform::Host built from a SimProfile. It answers the
// version record, the system directory, module loading (the simulated ASPI manager and
// cdr4dll), "\\.\SCSIn:" ports and "\\.\X:" drive letters with the pass-through requests,
// the user's rights, the registry, the clock and message boxes — and records what the
// program asked of it so that tests can compare byte by byte.
//
// Typical use in a test:
//   sim::SimHost host(sim::SimProfile::Windows2000(true).AddDrive(
//       'D', {0, 0, 1, 0}, std::make_shared<sim::InquiryDevice>()));
//   platform::ScopedHost installed(host);
//   ... construct the drive-access chain, send commands ...
//   EXPECT_EQ(host.PassThroughCalls().size(), 1u);
//
// What the machine answers:
// - Modules: by the profile's AspiPlacement ("<sysdir>\wnaspi32.dll", "wnaspi32.dll",
//   "ntaspi32.dll"; names compare without case, a bare name gets ".dll"), "cdr4dll" when
//   installed; anything else fails with 126. The ASPI module's entries reach the manager
//   of the installed SimHost.
// - Devices: only on the NT family. "\.\SCSIn:" for each port; "\.\X:" for each letter.
// - ASPI: adapters are the (port, bus) pairs; HA_SCSI_ID 7; HA_Unique bytes 0-1 the port's
//   alignment mask, byte 3 its maxTargets, bytes 4-7 its maximumTransferLength. Execute and
//   reset requests return SS_PENDING and complete on the manager's thread.
// - Pass-through: blocks are checked by the shared rules of platform/PassThroughBlock.h
//   (Length, CdbLength 1..16, DataIn, TimeOutValue up to 108000 with 0 meaning 30,
//   sense and buffered data inside the passed sizes, the transfer within the port's maximum,
//   a direct buffer that honours the alignment mask) and refused with 87 when malformed.
//   A command whose service time exceeds the time-out fails with ERROR_SEM_TIMEOUT after
//   its seconds plus passThroughTimeoutOverrunMs; no device at the address fails
//   with ERROR_DEVICE_NOT_CONNECTED; an unknown request with kErrorInvalidFunction.
// - Tracing: the observer is called on the calling thread for pass-through and on the ASPI
//   manager's thread for ASPI; the trace's texts live only for the call.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "sim/machine/SimClock.h"
#include "sim/machine/SimMachine.h"
#include "sim/machine/SimProfile.h"
#include "sim/machine/SimRecords.h"
#include "sim/scsi/ScsiTarget.h"
#include "sim/win32/InstalledMachine.h"
#include "sim/win32/SimDevice.h"

namespace sim {

class AspiManager;

// The facade of the machine: it owns the machine's shared state (SimMachine) and the
// Windows-side parts that work on it.
class SimHost : public platform::Host, public InstalledMachine {
 public:
  explicit SimHost(SimProfile profile);
  ~SimHost() override;
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  const SimProfile& profile() const { return machine_.profile(); }
  SimMachine& machine() override { return machine_; }

  // --- platform::Host ---
  void Version(OSVERSIONINFOA& info) override;
  UINT SystemDirectory(char* buffer, UINT size) override;
  std::unique_ptr<platform::Module> LoadModule(const char* name, DWORD& error) override;
  std::unique_ptr<platform::Device> OpenDevice(const char* name, DWORD access, DWORD share,
                                               DWORD disposition, DWORD& error) override;
  bool UserIsAdministrator() override;
  DWORD SecurityCall(const char* name) override;
  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<platform::RegistryKey>& key,
                 bool& created) override;
  DWORD Milliseconds() override;
  std::uint64_t Microseconds() override { return NowMicros(); }
  std::int64_t CalendarSeconds() override;
  void SleepMilliseconds(DWORD ms) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;

  // --- the clock ---
  SimClock& clock() { return machine_.clock(); }
  std::uint64_t NowMicros() const { return machine_.clock().NowMicros(); }
  void AdvanceMilliseconds(std::uint64_t ms) { machine_.clock().Advance(ms * 1000); }

  // --- devices at addresses (may change while the machine runs: a drive that vanishes) ---
  std::shared_ptr<ScsiTarget> TargetAt(const ScsiAddress& address) const {
    return machine_.TargetAt(address);
  }
  void PlaceTarget(const ScsiAddress& address, std::shared_ptr<ScsiTarget> target) {
    machine_.PlaceTarget(address, std::move(target));
  }
  void RemoveTarget(const ScsiAddress& address) { machine_.RemoveTarget(address); }
  // Every placed device, in placement order.
  std::vector<TargetSlot> Targets() const { return machine_.Targets(); }
  // Runs one command on the device at `address` and advances the clock by its service time
  // (or sleeps it in real time). No device: a reply with responded = false.
  ScsiReply Execute(const ScsiAddress& address, const ScsiRequest& request) {
    return machine_.Execute(address, request);
  }

  // The ASPI host adapters: the (port, bus) pairs in order.
  using Adapter = SimMachine::Adapter;
  const std::vector<Adapter>& Adapters() const { return machine_.Adapters(); }
  // The simulated ASPI manager (exists whatever the library placement).
  AspiManager& aspiManager() override { return *aspi_; }
  // Every ASPI request block received, a copy of its published size, in order.
  std::vector<std::vector<BYTE>> AspiRequests() const;
  // Waits until every execute request sent so far has completed on the manager's thread.
  void WaitAspiIdle();

  // --- records ---
  using ModuleLoad = SimRecords::ModuleLoad;
  using DeviceOpen = SimRecords::DeviceOpen;
  using PassThroughCall = SimRecords::PassThroughCall;
  using RegistryWrite = SimRecords::RegistryWrite;
  using MessageBoxRecord = SimRecords::MessageBoxRecord;
  std::vector<ModuleLoad> ModuleLoads() const;  // every LoadModule call, in order
  int LoadedModules() const;                    // modules currently loaded (not yet freed)
  std::vector<DeviceOpen> DeviceOpens() const;  // every OpenDevice call, in order
  int OpenDevices() const;                      // devices currently open (not yet closed)
  std::vector<PassThroughCall> PassThroughCalls() const;  // every DeviceIoControl, in order
  std::vector<RegistryWrite> RegistryWrites() const;
  std::vector<std::string> RegistryKeysCreated() const;  // every CreateKey asked, in order
  std::vector<MessageBoxRecord> MessageBoxes() const;
  std::vector<std::string> SecurityCalls() const;  // names, in order
  std::vector<std::string> Cdr4Calls() const;      // cdr4dll entries called, in order
  void ClearRecords();                             // forgets every record so far

  // The records outlive the host for objects (handles) that are closed after it.
  const std::shared_ptr<SimRecords>& records() const { return machine_.records(); }

 private:
  SimMachine machine_;
  const SimProfile& profile_;  // the machine's
  const std::shared_ptr<SimRecords>& records_;
  std::unique_ptr<AspiManager> aspi_;
};

}  // namespace sim
