// Byte order and address helpers shared by every layer of the drive-access chain. Multi-byte
// fields of command blocks, mode data and TOC data are big-endian; LBAs become minutes,
// seconds and frames with the 150-frame offset of MMC addressing.
#pragma once

#include "platform/win32.h"

#pragma pack(push, 1)
struct MSF {
  BYTE M;  // minutes
  BYTE S;  // seconds
  BYTE F;  // frames, 75 per second
};
#pragma pack(pop)
static_assert(sizeof(MSF) == 3);

class AspiTools {
 public:
  AspiTools() = default;
  ~AspiTools() = default;

  // Exchange the two bytes in place: host order to big-endian and back.
  static void Swap16(WORD& v);
  // Reverse the four bytes in place: host order to big-endian and back.
  static void Swap32(DWORD& v);
  // Minutes, seconds and frames of an LBA. The ten minutes of addresses just below -150
  // map onto 90:00:00 to 99:59:74.
  static MSF LBAtoMSF(LONG lba);
};
