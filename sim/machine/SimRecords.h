// What a simulated machine records of the program's requests, shared between the host and
// the objects it hands out (devices, modules, registry keys), which may be closed after it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim {

struct SimRecords {
  struct ModuleLoad {
    std::string name;
    bool loaded;
  };
  struct DeviceOpen {
    std::string name;
    DWORD access, share, disposition;
    bool opened;
    DWORD error;
  };
  struct PassThroughCall {
    std::string device;    // "SCSI0:" or "D:"
    DWORD code;            // the IOCTL code
    std::vector<BYTE> in;  // the input block as received: its first passThroughRecordBytes
    DWORD inSize, outSize;
    bool succeeded;
    DWORD error;
  };
  struct RegistryWrite {
    std::string key;  // "HKEY_CURRENT_USER\<subkey>"
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  struct MessageBoxRecord {
    std::string text, caption;
    UINT type;
  };

  bool recordCalls = true;
  mutable std::mutex mutex;
  std::vector<ModuleLoad> moduleLoads;
  int loadedModules = 0;
  std::vector<DeviceOpen> deviceOpens;
  int openDevices = 0;
  std::vector<PassThroughCall> passThroughCalls;
  std::vector<std::vector<BYTE>> aspiRequests;
  std::vector<RegistryWrite> registryWrites;
  std::vector<std::string> registryKeys;
  std::vector<std::string> registryKeysKnown;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<std::string> securityCalls;
  std::vector<std::string> cdr4Calls;
};

}  // namespace sim
