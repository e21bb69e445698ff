// Binding of the CD recorder helper library "cdr4dll": loaded and its six entries resolved
// by name for the classes above; nothing in the system calls them.
#pragma once

#include "platform/win32.h"

using CDR4VSDStartFileSystemBlockingProc = DWORD (*)(DWORD device);
using CDR4VSDEndFileSystemBlockingProc = DWORD (*)(DWORD device);
using CDR4VSDQueryFileSystemBlockingProc = DWORD (*)(DWORD device);
using CDR4VSDReserveDeviceProc = DWORD (*)(DWORD device, DWORD owner);
using CDR4VSDReleaseDeviceProc = DWORD (*)(DWORD device);
using CDR4VSDQueryReserveProc = DWORD (*)(DWORD device, DWORD owner, DWORD state);

class Cdr4vsd {
 public:
  Cdr4vsd();
  ~Cdr4vsd();
  Cdr4vsd(const Cdr4vsd&) = delete;
  Cdr4vsd& operator=(const Cdr4vsd&) = delete;

  bool Cdr4vsdLoaded() const { return Library != nullptr; }

  char LibraryName[20];  // "cdr4dll.dll" when loaded, else empty
  CDR4VSDStartFileSystemBlockingProc StartFileSystemBlocking;  // null when missing
  CDR4VSDEndFileSystemBlockingProc EndFileSystemBlocking;
  CDR4VSDQueryFileSystemBlockingProc QueryFileSystemBlocking;
  CDR4VSDReserveDeviceProc ReserveDevice;
  CDR4VSDReleaseDeviceProc ReleaseDevice;
  CDR4VSDQueryReserveProc QueryReserve;
  HMODULE Library;
};
