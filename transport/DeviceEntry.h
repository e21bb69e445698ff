// One row of the device table: a drive that the scan found, as every upper layer
// addresses it.
#pragma once

#include "platform/win32.h"

struct SPTIDevice;

inline constexpr int kMaxDevices = 30;  // rows of the device table

struct DeviceEntry {
  BYTE InquiryData[56];     // standard INQUIRY answer (vendor 8-15, product 16-31, revision 32-35)
  BYTE DeviceType;          // peripheral device type; 0xA0-0xAF: rows that are no drive
  BYTE HostAdapter;         // ASPI adapter, or logical adapter (bus) on the pass-through path
  BYTE Target;              // SCSI target id
  BYTE Lun;                 // always 0
  SPTIDevice* SptiDevice;   // pass-through row, null on the ASPI path
  char ManagerId[16];       // HA_ManagerId of the adapter
  char AdapterId[16];       // HA_Identifier of the adapter
  BYTE AdapterParams[16];   // HA_Unique: bytes 0-1 alignment mask (LE), byte 3 targets
  BYTE DiskInfo[4];         // SC_GET_DISK_INFO bytes 10-13
  char DriveLetter;         // 'A' + drive number, or the pass-through row's letter
  BYTE DeviceCount;         // valid rows in the table, written into every valid row
  BYTE HasBlockDescriptor;  // maintained by drive preparation
  BYTE UseModeSense6;       // maintained by drive preparation
  BYTE ReadsDvd;  // page 2Ah says the drive reads DVD-ROM (byte 2 bit 3); drive preparation

  WORD AlignmentMask() const {
    return static_cast<WORD>(AdapterParams[0] | (AdapterParams[1] << 8));
  }
};
