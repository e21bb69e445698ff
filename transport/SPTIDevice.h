// The pass-through layer's row for one drive letter that reported a SCSI address.
#pragma once

#include "platform/win32.h"

struct SPTIDevice {
  BYTE LogicalAdapter;  // index of (port, bus) in the bus table; 0xFF when not in it
  BYTE PortNumber;      // PortNumber of the drive's SCSI address
  BYTE PathId;          // the bus on that port
  BYTE TargetId;
  BYTE Lun;
  HANDLE Handle;     // open on "\\.\%c:" for the object's life
  char DriveLetter;  // 'C' to 'Z'
  DWORD TimeOut;     // seconds; 0 = not set, commands then use 30 seconds
  BYTE Direct;       // 1 = direct pass-through call, 0 = buffered call
};
