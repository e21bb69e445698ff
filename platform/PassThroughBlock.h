// The rules of a pass-through request (IOCTL_SCSI_PASS_THROUGH_DIRECT and
// IOCTL_SCSI_PASS_THROUGH), written once for every host that answers one: the block is
// checked against the structure's own rules and the host's limits, and resolved into the
// command, the data area, the sense area and the time-out in force.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win32.h"

namespace platform {

// What a TimeOutValue of 0 stands for: the pass-through then uses 30 seconds.
inline constexpr ULONG kDefaultPassThroughTimeOutSeconds = 30;

// What the adapter behind a host's device accepts.
struct PassThroughLimits {
  std::optional<DWORD> maximumTransfer;  // the longest DataTransferLength, when known
  ULONG alignmentMask = 0;               // a direct DataBuffer must be aligned to this
  std::optional<ULONG> longestTimeOut;   // seconds; a longer TimeOutValue is refused
};

struct PassThroughBlock {
  bool read = false;  // the block's bytes could be read (a refused one may still be traced)
  bool direct = true;
  UCHAR PathId = 0, TargetId = 0, Lun = 0;
  BYTE cdb[16] = {};
  UCHAR cdbLength = 0;
  UCHAR dataIn = SCSI_IOCTL_DATA_UNSPECIFIED;  // DataIn as passed
  ULONG dataLength = 0;
  // The data area: the caller's buffer (direct), or inside the block — the input for data
  // out, the output for data in and for both ways (the host copies the bytes sent there
  // first when input and output differ). Null without data.
  BYTE* data = nullptr;
  std::uint64_t dataOffset = 0;  // buffered: DataBufferOffset; 0 when direct
  ULONG senseOffset = 0;         // SenseInfoOffset, in the output block
  UCHAR senseLength = 0;
  ULONG timeOutSeconds = 0;  // TimeOutValue, or 30 when it is 0

  // The end of the sense area in the output block, 0 without one.
  std::uint64_t SenseEnd() const {
    return senseLength != 0 ? std::uint64_t{senseOffset} + senseLength : 0;
  }
  // The end of the data inside the block (buffered), 0 when direct or without data.
  std::uint64_t DataEnd() const { return !direct && dataLength != 0 ? dataOffset + dataLength : 0; }

  // Writes the block back to `out` as it came in, with the target's status and the number
  // of bytes moved.
  void WriteBack(LPVOID out, UCHAR scsiStatus, ULONG transferred) const;

  // The block's bytes as passed in (both structures are the same size).
  BYTE header[sizeof(SCSI_PASS_THROUGH_DIRECT)] = {};
};
static_assert(sizeof(SCSI_PASS_THROUGH) == sizeof(SCSI_PASS_THROUGH_DIRECT));

// Checks and resolves one pass-through request. ERROR_SUCCESS, or ERROR_INVALID_PARAMETER
// for a block the rules refuse — then `block` holds what could be read of it (the command,
// for a trace), and nothing has been written anywhere.
DWORD ParsePassThrough(bool direct, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                       const PassThroughLimits& limits, PassThroughBlock& block);

}  // namespace platform
