#include "sim/win32/SimLetter.h"

#include <cstring>
#include <string>

#include "sim/machine/SimMachine.h"

namespace sim {

SimLetter::SimLetter(SimMachine& machine, const LetterProfile& letter)
    : SimDevice(machine, std::string(1, letter.letter) + ":", letter.address.port),
      letter_(letter) {}

BOOL SimLetter::Answer(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                       LPDWORD returned, DWORD& error) {
  const bool onPort = letter_.reportsAddress && port_ < machine_.profile().ports.size();
  switch (code) {
    case IOCTL_SCSI_GET_ADDRESS: {
      if (!onPort) break;
      if (out == nullptr || outSize < sizeof(SCSI_ADDRESS)) {
        error = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
      }
      SCSI_ADDRESS address{};
      address.Length = sizeof(SCSI_ADDRESS);
      address.PortNumber = letter_.address.port;
      address.PathId = letter_.address.bus;
      address.TargetId = letter_.address.target;
      address.Lun = letter_.address.lun;
      std::memcpy(out, &address, sizeof(address));
      if (returned != nullptr) *returned = sizeof(address);
      return TRUE;
    }
    case IOCTL_SCSI_GET_CAPABILITIES:
      if (!onPort) break;
      return Capabilities(out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      if (!onPort) break;
      if (letter_.refusesDirect) {
        error = ERROR_INVALID_PARAMETER;
        return FALSE;
      }
      return PassThrough(true, &letter_.address, in, inSize, out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH:
      if (!onPort) break;
      return PassThrough(false, &letter_.address, in, inSize, out, outSize, returned, error);
    default:
      break;
  }
  error = kErrorInvalidFunction;
  return FALSE;
}

}  // namespace sim
