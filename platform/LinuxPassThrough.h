// One Windows SCSI pass-through request (IOCTL_SCSI_PASS_THROUGH_DIRECT or
// IOCTL_SCSI_PASS_THROUGH) carried out as one SG_IO on an open Linux device node.
#pragma once

#include <optional>

#include "platform/Host.h"
#include "platform/LinuxSystem.h"

namespace platform {

struct PassThroughRequest {
  bool direct = true;   // the direct call: data in the caller's own buffer
  LPVOID in = nullptr;  // the block as passed in ...
  DWORD inSize = 0;
  LPVOID out = nullptr;  // ... and where results go
  DWORD outSize = 0;
  std::optional<DWORD> maximumTransfer;  // the device's limit in bytes, when known
};

// What one command did, for the host's command observer; `trace.cdb` points into `cdb`.
struct PassThroughRecord {
  CommandTrace trace;
  BYTE cdb[16] = {};
};

// Checks the block (platform/PassThroughBlock.h), sends it and writes status, sense and (buffered)
// data back. On failure returns FALSE with `error` set; the record describes the command either
// way.
BOOL SendPassThrough(LinuxSystem& system, int fd, const PassThroughRequest& request,
                     LPDWORD returned, DWORD& error, PassThroughRecord& record);

// The Win32 error for a failed system call (a negative errno).
DWORD ErrorFromErrno(int negativeErrno);

}  // namespace platform
