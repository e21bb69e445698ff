// "\\.\SCSIn:" on Linux: the n-th SCSI host in ascending host number. It answers the bus
// count of IOCTL_SCSI_GET_INQUIRY_DATA from the channels of the host's devices in sysfs.
#pragma once

#include "platform/Host.h"
#include "platform/LinuxSysfs.h"

namespace platform {

class LinuxScsiPort : public Device {
 public:
  LinuxScsiPort(const LinuxSysfs& sysfs, int hostNumber) : sysfs_(sysfs), host_(hostNumber) {}

  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) override;

 private:
  const LinuxSysfs& sysfs_;
  int host_;
};

}  // namespace platform
