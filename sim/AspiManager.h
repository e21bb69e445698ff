// The simulated ASPI for Win32 manager behind the "wnaspi32.dll" (or "ntaspi32.dll") module
// of a SimHost. Its host adapters are the machine's (port, bus) pairs. It answers request
// blocks as an ASPI manager does; execute and reset requests return SS_PENDING and complete
// on the manager's own worker thread, which writes the results into the caller's block and
// then signals the event in SRB_PostProc (SRB_EVENT_NOTIFY) or calls SRB_PostProc (SRB_POSTING).
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/Host.h"
#include "sim/SimProfile.h"

namespace sim {

class SimHost;

class AspiManager {
 public:
  explicit AspiManager(SimHost& host);
  ~AspiManager();
  AspiManager(const AspiManager&) = delete;
  AspiManager& operator=(const AspiManager&) = delete;

  // The entry points' behaviour.
  DWORD GetASPI32SupportInfo();
  DWORD SendASPI32Command(void* srb);
  void IdentifyYourself(char* buffer, int length);

  // Blocks until every queued execute or reset request has completed.
  void WaitIdle();
  // The time-out of a target in half-seconds as set by SC_GETSET_TIMEOUTS; 0 = none set.
  DWORD Timeout(const ScsiAddress& address) const;

  // A module whose Resolve gives the six entry points minus `missing`.
  static std::unique_ptr<platform::Module> OpenModule(SimHost& host,
                                                      const std::set<std::string>& missing);

 private:
  struct Job {
    void* srb;
    ScsiAddress address;
  };
  BYTE AdapterCount() const;
  bool AdapterAddress(BYTE haId, BYTE target, BYTE lun, ScsiAddress& address) const;
  void Enqueue(Job job);
  void Run();
  void Complete(Job& job);
  void CompleteExec(Job& job);
  void CompleteReset(Job& job);

  SimHost& host_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::map<ScsiAddress, DWORD> timeouts_;
  std::thread worker_;
};

}  // namespace sim
