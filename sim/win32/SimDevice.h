// What the simulated "\\.\SCSIn:" ports and "\\.\X:" drive letters share: the record of
// every DeviceIoControl, the capabilities answer and the two pass-through requests with
// their checks (platform/PassThroughBlock.h). A pass-through block that is malformed fails
// with ERROR_INVALID_PARAMETER; a command that outlasts TimeOutValue (30 s when it is 0)
// fails with ERROR_SEM_TIMEOUT after the time-out.
#pragma once

#include <memory>
#include <string>

#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "sim/machine/SimRecords.h"

namespace sim {

class SimMachine;

// Error a device answers for a request it does not know (not declared by the Win32 subset).
inline constexpr DWORD kErrorInvalidFunction = 1;

class SimDevice : public platform::Device {
 public:
  ~SimDevice() override;

  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) final;

 protected:
  SimDevice(SimMachine& machine, std::string name, BYTE port);

  // The device's own requests; the base has already recorded the call.
  virtual BOOL Answer(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                      LPDWORD returned, DWORD& error) = 0;

  BOOL Capabilities(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error);
  // `fixed`: the address the device stands for (a drive letter); null: the block's
  // PathId, TargetId and Lun on this port.
  BOOL PassThrough(bool direct, const ScsiAddress* fixed, LPVOID in, DWORD inSize, LPVOID out,
                   DWORD outSize, LPDWORD returned, DWORD& error);

  SimMachine& machine_;
  std::string name_;  // "SCSI0:", "D:"
  BYTE port_;

 private:
  BOOL RunBlock(bool direct, const ScsiAddress* fixed, LPVOID in, DWORD inSize, LPVOID out,
                DWORD outSize, LPDWORD returned, DWORD& error);

  std::shared_ptr<SimRecords> records_;
};

}  // namespace sim
