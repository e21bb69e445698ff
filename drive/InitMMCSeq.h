// Drive preparation: at construction every drive of the device table is probed once for
// how it answers MODE SENSE (10- or 6-byte form, with or without block descriptors), and
// SetBlockLength switches a drive between 2048-byte and 2352-byte blocks.
#pragma once

#include "drive/MMC.h"
#include "platform/win32.h"
#include "scsi/Opcodes.h"
#include "transport/DeviceEntry.h"
#include "transport/SenseResult.h"

inline constexpr DWORD kModeReplySize = 120;  // mode reply buffer and allocation length
inline constexpr BYTE kPageErrorRecovery = scsi::page::kErrorRecovery;
inline constexpr BYTE kPageCapabilities = scsi::page::kCapabilities;
inline constexpr WORD kDefaultBlockLength = 2048;

// Header form of a mode reply.
enum ModeLayout : BYTE {
  kModeLayout10 = 0,    // 8-byte header of MODE SENSE(10)
  kModeLayout6 = 1,     // 4-byte header of MODE SENSE(6)
  kModeLayoutNone = 2,  // neither command succeeded
};

class InitMMCSeq : public MMC {
 public:
  InitMMCSeq();
  ~InitMMCSeq();

  // Slot 0: the block length in force before the call; changed with MODE SELECT when it
  // differs from `wanted`. Never fails towards its caller (2048 when nothing is known).
  virtual WORD SetBlockLength(DeviceEntry& device, WORD wanted, SenseResult* sense);

  // Probes every valid row of the device table, in table order.
  void ProbeDevices();
  // Sets the row's HasBlockDescriptor and UseModeSense6.
  BYTE ProbeDevice(DeviceEntry& device, SenseResult* sense);
  // MODE SENSE in the form the drive understands; 1 when a reply was obtained.
  BYTE ModeSenseAuto(DeviceEntry& device, BYTE page, WORD allocLength, BYTE* reply,
                     SenseResult* sense, BYTE& layout);
  // The first mode page of a reply of `replyLength` bytes, or null; `match` tells whether
  // it is `page`. Bounded both by the header's data length and by the buffer.
  static BYTE* FindModePage(BYTE* reply, DWORD replyLength, BYTE layout, BYTE page, bool& match);
  // The block length of the first block descriptor (2048 when there is none); sets
  // HasBlockDescriptor. 4 and nothing changed when the reply is too short for the layout.
  BYTE GetBlockLength(DeviceEntry& device, const BYTE* reply, DWORD replyLength, BYTE layout,
                      DWORD& blockLength);
};
