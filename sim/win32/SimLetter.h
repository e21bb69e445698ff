// "\\.\X:": a drive letter of the simulated machine. Answers IOCTL_SCSI_GET_ADDRESS (unless
// the letter reports none), IOCTL_SCSI_GET_CAPABILITIES of its port and the pass-through
// requests, which always reach the letter's own address. A letter may refuse the direct
// pass-through call with error 87.
#pragma once

#include "sim/win32/SimDevice.h"

namespace sim {

class SimLetter : public SimDevice {
 public:
  SimLetter(SimMachine& machine, const LetterProfile& letter);

 protected:
  BOOL Answer(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
              DWORD& error) override;

 private:
  LetterProfile letter_;
};

}  // namespace sim
