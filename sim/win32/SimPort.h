// "\\.\SCSIn:": one SCSI port of the simulated machine. Answers IOCTL_SCSI_GET_INQUIRY_DATA
// (the bus layout), IOCTL_SCSI_GET_CAPABILITIES and the pass-through requests addressed by
// the block's PathId, TargetId and Lun.
#pragma once

#include "sim/win32/SimDevice.h"

namespace sim {

class SimPort : public SimDevice {
 public:
  SimPort(SimMachine& machine, BYTE port);

 protected:
  BOOL Answer(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
              DWORD& error) override;

 private:
  BOOL InquiryData(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error);
};

}  // namespace sim
