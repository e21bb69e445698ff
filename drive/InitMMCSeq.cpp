#include "drive/InitMMCSeq.h"

#include <cstring>

#include "drive/CommandBuffer.h"

namespace {

// Page 2Ah byte 2: the drive reads DVD-ROM discs.
constexpr BYTE kReadsDvdRom = 0x08;

DWORD Get16(const BYTE* at) {
  return (DWORD{at[0]} << 8) | at[1];
}
DWORD Get24(const BYTE* at) {
  return (DWORD{at[0]} << 16) | (DWORD{at[1]} << 8) | at[2];
}

}  // namespace

InitMMCSeq::InitMMCSeq() {
  ProbeDevices();
}
InitMMCSeq::~InitMMCSeq() = default;

void InitMMCSeq::ProbeDevices() {
  SenseResult sense{};
  const int count = DeviceCount < kMaxDevices ? DeviceCount : kMaxDevices;
  for (int i = 0; i < count; ++i) ProbeDevice(Devices[i], &sense);
}

BYTE InitMMCSeq::ProbeDevice(DeviceEntry& device, SenseResult* sense) {
  alignas(kCommandBufferAlignment) BYTE reply[kModeReplySize];
  std::memset(reply, 0, sizeof reply);
  BYTE layout = kModeLayoutNone;
  BYTE status = ModeSenseAuto(device, kPageCapabilities, kModeReplySize, reply, sense, layout);
  device.ReadsDvd = 0;
  if (status == SS_COMP) {
    bool match = false;
    const BYTE* page = FindModePage(reply, sizeof reply, layout, kPageCapabilities, match);
    if (page == nullptr || !match) {
      status = SS_ERR;
    } else {
      const bool whole = page + 2 < reply + sizeof reply;  // byte 2 lies in the reply
      device.ReadsDvd = whole && (page[2] & kReadsDvdRom) != 0 ? 1 : 0;
    }
  }
  if (status != SS_COMP) {
    // Same buffer, not cleared again.
    status = ModeSenseAuto(device, kPageErrorRecovery, kModeReplySize, reply, sense, layout);
  }
  if (status == SS_COMP) {
    DWORD blockLength = 0;
    status = GetBlockLength(device, reply, sizeof reply, layout, blockLength);
  } else {
    device.HasBlockDescriptor = 1;  // block length assumed 2048; asked again when needed
  }
  return status;
}

BYTE InitMMCSeq::ModeSenseAuto(DeviceEntry& device, BYTE page, WORD allocLength, BYTE* reply,
                               SenseResult* sense, BYTE& layout) {
  BYTE status = SS_ERR;
  bool doubtful = false;
  if (device.UseModeSense6 == 0) {
    status = ModeSense10(device, page, allocLength, reply, sense);
  }
  // Byte 4 is reserved in the 8-byte header; holding the page code there means the drive
  // answered with a 4-byte header. The page-saveable bit is not part of the code.
  if (status == SS_COMP && allocLength > 4 &&
      (reply[4] & scsi::page::kCodeMask) == (page & scsi::page::kCodeMask)) {
    doubtful = true;
    status = SS_ERR;
  }
  if (status == SS_COMP) {
    layout = kModeLayout10;
    device.UseModeSense6 = 0;
    return SS_COMP;
  }
  status = ModeSense6(device, page, static_cast<BYTE>(allocLength), reply, sense);
  if (status == SS_COMP) {
    layout = kModeLayout6;
    device.UseModeSense6 = 1;
    return SS_COMP;
  }
  if (doubtful) {
    layout = kModeLayout6;
    device.UseModeSense6 = 0;
    return status;
  }
  layout = kModeLayoutNone;
  return status;
}

BYTE* InitMMCSeq::FindModePage(BYTE* reply, DWORD replyLength, BYTE layout, BYTE page,
                               bool& match) {
  match = false;
  if (reply == nullptr) return nullptr;
  DWORD pageStart = 0;
  DWORD announcedEnd = 0;  // offset just past the data the header announces
  if (layout == kModeLayout10) {
    if (replyLength < 8) return nullptr;
    announcedEnd = Get16(&reply[0]) + 2;
    if (announcedEnd < 8) return nullptr;
    pageStart = 8 + Get16(&reply[6]);
  } else {
    if (replyLength < 4) return nullptr;
    announcedEnd = DWORD{reply[0]} + 1;
    if (announcedEnd < 4) return nullptr;
    pageStart = 4 + DWORD{reply[3]};
  }
  if (announcedEnd < pageStart) return nullptr;
  // The page may start where the announced data ends, but its first byte must lie in the
  // buffer.
  if (pageStart >= replyLength) return nullptr;
  BYTE* found = reply + pageStart;
  match = (found[0] & scsi::page::kCodeMask) == page;
  return found;
}

BYTE InitMMCSeq::GetBlockLength(DeviceEntry& device, const BYTE* reply, DWORD replyLength,
                                BYTE layout, DWORD& blockLength) {
  DWORD bdl = 0;
  const BYTE* lengthField = nullptr;
  if (layout == kModeLayout10) {
    if (replyLength < 16) return SS_ERR;
    bdl = Get16(&reply[6]);
    lengthField = &reply[13];
  } else if (layout == kModeLayout6) {
    if (replyLength < 12) return SS_ERR;
    bdl = reply[3];
    lengthField = &reply[9];
  } else {
    return SS_ERR;
  }
  if (bdl == 0) {
    device.HasBlockDescriptor = 0;
    blockLength = kDefaultBlockLength;
  } else {
    device.HasBlockDescriptor = 1;
    blockLength = Get24(lengthField);
  }
  return SS_COMP;
}

WORD InitMMCSeq::SetBlockLength(DeviceEntry& device, WORD wanted, SenseResult* sense) {
  WORD result = kDefaultBlockLength;
  if (device.HasBlockDescriptor != 1) return result;

  alignas(kCommandBufferAlignment) BYTE reply[kModeReplySize];
  std::memset(reply, 0, sizeof reply);
  BYTE layout = kModeLayoutNone;
  const BYTE status =
      ModeSenseAuto(device, kPageErrorRecovery, kModeReplySize, reply, sense, layout);
  DWORD current = 0;
  if (status == SS_COMP) {
    GetBlockLength(device, reply, sizeof reply, layout, current);
    if (device.HasBlockDescriptor == 1) result = static_cast<WORD>(current);
  }
  if (status != SS_COMP || wanted == current || device.HasBlockDescriptor == 0) return result;

  // The wanted length as a 32-bit big-endian value over the reserved byte and the 24-bit
  // block length of the first descriptor; the reserved byte then goes back to 0.
  BYTE* descriptorTail = layout == kModeLayout10 ? &reply[12] : &reply[8];
  descriptorTail[0] = 0;
  descriptorTail[1] = 0;
  descriptorTail[2] = static_cast<BYTE>(wanted >> 8);
  descriptorTail[3] = static_cast<BYTE>(wanted);

  if (layout == kModeLayout10) {
    ModeSelect10(device, reply, sizeof reply, sense);
  } else {
    ModeSelect6(device, reply, sizeof reply, sense);
  }
  return result;
}
