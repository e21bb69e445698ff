// The simulated ASPI for Win32 manager behind the "wnaspi32.dll" (or "ntaspi32.dll") module
// of a simulated machine. Its host adapters are the machine's (port, bus) pairs. It answers request
// blocks as an ASPI manager does; execute and reset requests return SS_PENDING and complete
// on the manager's own worker thread, which writes the results into the caller's block and
// then signals the event in SRB_PostProc (SRB_EVENT_NOTIFY) or calls SRB_PostProc (SRB_POSTING).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "transport/wnaspi32.h"

namespace sim {

class SimMachine;

class AspiManager {
 public:
  explicit AspiManager(SimMachine& machine);
  ~AspiManager();
  AspiManager(const AspiManager&) = delete;
  AspiManager& operator=(const AspiManager&) = delete;

  // The entry points' behaviour.
  DWORD GetASPI32SupportInfo();
  DWORD SendASPI32Command(void* srb);
  void IdentifyYourself(char* buffer, int length);
  BOOL GetASPI32Buffer(PASPI32BUFF buffer);
  BOOL FreeASPI32Buffer(PASPI32BUFF buffer);

  // Blocks until every queued execute or reset request has completed.
  void WaitIdle();
  // The time-out of a target in half-seconds as set by SC_GETSET_TIMEOUTS; 0 = none set.
  DWORD Timeout(const ScsiAddress& address) const;

  // A module whose Resolve gives the six entry points, minus the profile's missing ones.
  static std::unique_ptr<platform::Module> OpenModule(SimMachine& machine);

 private:
  struct Job {
    void* srb = nullptr;
    ScsiAddress address;
    bool aborted = false;  // SC_ABORT_SRB reached it while queued
  };
  static constexpr std::size_t kQueueSize = 64;
  BYTE AdapterCount() const;
  const PortProfile* AdapterPort(BYTE haId) const;
  BYTE MaxTargets(BYTE haId) const;
  ScsiAddress AddressOf(BYTE haId, BYTE target, BYTE lun) const;
  bool Enqueue(Job job);
  void Run();
  BYTE Abort(void* toAbort);
  void Complete(Job& job);
  void CompleteExec(SRB_ExecSCSICmd& srb, const ScsiAddress& address);
  void CompleteReset(SRB_BusDeviceReset& srb, const ScsiAddress& address);
  void Finish(void* srb, BYTE& statusField, BYTE status, BYTE flags, void* postProc);
  void ClearCrossedSignal(BYTE flags, void* postProc);

  SimMachine& machine_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::array<Job, kQueueSize> queue_{};  // a ring: no allocation per command
  std::size_t head_ = 0;
  std::atomic<std::size_t> queued_ = 0;  // read without the lock by the worker's spin
  std::set<BYTE*> buffers_;              // GetASPI32Buffer allocations
  bool busy_ = false;
  std::atomic<bool> stopping_ = false;
  std::map<ScsiAddress, DWORD> timeouts_;
  // A completion stores SRB_Status and then signals the event; a caller that saw the status
  // may reset the same event for its next request before the signal lands. The next send
  // on that event clears such a crossed signal (see Post).
  std::mutex postMutex_;
  HANDLE lastEvent_ = nullptr;
  std::thread worker_;
};

}  // namespace sim
