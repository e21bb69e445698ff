// Helpers shared by the tests of the simulated machine: request blocks built by hand and
// the entry points of the simulated ASPI library as a test reaches them.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/win32.h"
#include "sim/win32/SimHost.h"
#include "transport/wnaspi32.h"

namespace simtest {

// GetProcAddress cast to the entry's own type.
template <class Proc>
Proc Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The ASPI library of the installed machine, loaded and resolved.
struct AspiLibrary {
  HMODULE module = nullptr;
  GetASPI32SupportInfoProc GetSupportInfo = nullptr;
  SendASPI32CommandProc Send = nullptr;

  explicit AspiLibrary(const char* name = "wnaspi32.dll") {
    module = LoadLibraryA(name);
    if (module == nullptr) return;
    GetSupportInfo = Resolve<GetASPI32SupportInfoProc>(module, "GetASPI32SupportInfo");
    Send = Resolve<SendASPI32CommandProc>(module, "SendASPI32Command");
  }
  ~AspiLibrary() {
    if (module != nullptr) FreeLibrary(module);
  }
  AspiLibrary(const AspiLibrary&) = delete;
  AspiLibrary& operator=(const AspiLibrary&) = delete;
};

// An execute block for `cdb` (16 bytes are copied) with the caller's data area.
inline SRB_ExecSCSICmd ExecBlock(BYTE haId, BYTE target, const std::vector<BYTE>& cdb, BYTE flags,
                                 BYTE* data, DWORD length, void* postProc) {
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof(srb));
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = haId;
  srb.SRB_Flags = flags;
  srb.SRB_Target = target;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = data;
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = static_cast<BYTE>(cdb.size());
  std::memcpy(srb.CDBByte, cdb.data(), std::min<std::size_t>(cdb.size(), 16));
  srb.SRB_PostProc = postProc;
  return srb;
}

inline std::vector<BYTE> Bytes(const void* block, std::size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(block);
  return std::vector<BYTE>(bytes, bytes + size);
}

// A manual-reset event, closed at the end of the scope.
struct Event {
  HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ~Event() {
    if (handle != nullptr) CloseHandle(handle);
  }
  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
};

// Records every command the host reports for tracing.
class TraceLog : public platform::CommandObserver {
 public:
  void OnCommand(const platform::CommandTrace& trace) override {
    std::lock_guard lock(mutex_);
    Line line;
    line.device = trace.device;
    line.opcode = trace.cdb != nullptr ? trace.cdb[0] : 0xFF;
    line.delivered = trace.delivered;
    line.error = trace.error;
    line.scsiStatus = trace.scsiStatus;
    line.senseKey = trace.senseKey;
    line.asc = trace.asc;
    lines_.push_back(line);
  }
  struct Line {
    std::string device;
    BYTE opcode;
    bool delivered;
    DWORD error;
    BYTE scsiStatus, senseKey, asc;
  };
  std::vector<Line> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

}  // namespace simtest
