#include "platform/PassThroughBlock.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace platform {
namespace {

// The fields of the two structures, which differ only in the data field's type.
template <class Block>
void ReadFields(const Block& b, PassThroughBlock& block) {
  block.PathId = b.PathId;
  block.TargetId = b.TargetId;
  block.Lun = b.Lun;
  std::memcpy(block.cdb, b.Cdb, sizeof(block.cdb));
  block.cdbLength = b.CdbLength;
  block.dataIn = b.DataIn;
  block.dataLength = b.DataTransferLength;
  block.senseOffset = b.SenseInfoOffset;
  block.senseLength = b.SenseInfoLength;
}

template <class Block>
DWORD Parse(LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, const PassThroughLimits& limits,
            PassThroughBlock& block) {
  Block b;
  std::memcpy(&b, in, sizeof(b));
  std::memcpy(block.header, in, sizeof(block.header));
  block.read = true;
  ReadFields(b, block);

  if (b.Length != sizeof(Block) || b.CdbLength == 0 || b.CdbLength > sizeof(b.Cdb) ||
      b.DataIn > SCSI_IOCTL_DATA_UNSPECIFIED) {
    return ERROR_INVALID_PARAMETER;
  }
  block.timeOutSeconds = b.TimeOutValue != 0 ? b.TimeOutValue : kDefaultPassThroughTimeOutSeconds;
  if (limits.longestTimeOut && block.timeOutSeconds > *limits.longestTimeOut) {
    return ERROR_INVALID_PARAMETER;
  }
  if (block.SenseEnd() != 0 && (b.SenseInfoOffset < sizeof(Block) || block.SenseEnd() > outSize)) {
    return ERROR_INVALID_PARAMETER;
  }
  const ULONG length = b.DataTransferLength;
  if (limits.maximumTransfer && length > *limits.maximumTransfer) return ERROR_INVALID_PARAMETER;
  if (length == 0) return ERROR_SUCCESS;

  if constexpr (std::is_same_v<Block, SCSI_PASS_THROUGH_DIRECT>) {
    const auto where = reinterpret_cast<std::uintptr_t>(b.DataBuffer);
    if (where == 0 || (where & limits.alignmentMask) != 0) return ERROR_INVALID_PARAMETER;
    block.data = static_cast<BYTE*>(b.DataBuffer);
  } else {
    // The data lies inside the block: data out is read from the input; data in, and data
    // both ways, are answered into the output (where the host first copies the bytes sent).
    const std::uint64_t room = b.DataIn == SCSI_IOCTL_DATA_IN    ? outSize
                               : b.DataIn == SCSI_IOCTL_DATA_OUT ? inSize
                                                                 : std::min(inSize, outSize);
    block.dataOffset = b.DataBufferOffset;
    if (block.dataOffset < sizeof(Block) || block.DataEnd() > room) return ERROR_INVALID_PARAMETER;
    block.data = static_cast<BYTE*>(b.DataIn == SCSI_IOCTL_DATA_OUT ? in : out) + block.dataOffset;
  }
  return ERROR_SUCCESS;
}

}  // namespace

void PassThroughBlock::WriteBack(LPVOID out, UCHAR scsiStatus, ULONG transferred) const {
  SCSI_PASS_THROUGH_DIRECT b;
  std::memcpy(&b, header, sizeof(b));
  b.ScsiStatus = scsiStatus;
  b.DataTransferLength = transferred;
  std::memcpy(out, &b, sizeof(b));
}

DWORD ParsePassThrough(bool direct, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                       const PassThroughLimits& limits, PassThroughBlock& block) {
  block = PassThroughBlock{};
  block.direct = direct;
  if (in == nullptr || out == nullptr || inSize < sizeof(block.header) ||
      outSize < sizeof(block.header)) {
    return ERROR_INVALID_PARAMETER;
  }
  return direct ? Parse<SCSI_PASS_THROUGH_DIRECT>(in, inSize, out, outSize, limits, block)
                : Parse<SCSI_PASS_THROUGH>(in, inSize, out, outSize, limits, block);
}

}  // namespace platform
