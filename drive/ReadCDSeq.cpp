#include "drive/ReadCDSeq.h"

#include <cstdint>

namespace {

constexpr int kCommandAttempts = 3;
constexpr int kAttemptsBeforeCallback = 2;
constexpr int kBlockAttempts = 3;

BYTE* DataAt(BYTE* base, std::uint64_t blockIndex, DWORD blockSize) {
  return base + static_cast<std::size_t>(blockIndex * blockSize);
}

}  // namespace

ReadCDSeq::ReadCDSeq() = default;
ReadCDSeq::~ReadCDSeq() = default;

BYTE ReadCDSeq::SendRead(const ReadRequest& request, LONG lba, DWORD blocks, BYTE* data) {
  const DWORD length = static_cast<DWORD>(std::uint64_t{blocks} * request.blockSize);
  DeviceEntry& device = *request.device;
  switch (request.readMode) {
    case kReadModeReadCD:
      return ReadCD(device, request.sectorType, lba, blocks, request.readCdFlags,
                    request.subChannel, data, length, request.sense);
    case kReadModeRead10:
      return Read10(device, lba, static_cast<WORD>(blocks), data, length, request.sense);
    case kReadModeReadCDMSF:
      return ReadCDMSF(device, request.sectorType, lba, blocks, request.readCdFlags,
                       request.subChannel, data, length, request.sense);
    default:
      return SS_ERR;
  }
}

BYTE ReadCDSeq::ReadBlocks(ReadRequest* request) {
  if (request == nullptr) return SS_ERR;
  ReadRequest& r = *request;
  // Changes to the callbacks during the read have no effect.
  const ReadCallback onCommandError = r.onCommandError;
  const ReadCallback onBlockError = r.onBlockError;
  const ReadCallback onProgress = r.onProgress;

  BYTE status = SS_COMP;
  std::uint64_t offset = 0;  // wide: offset + per never wraps
  r.blocksDone = 0;
  bool stop = false;
  bool blockStop = false;
  const DWORD per = r.blocksPerCommand != 0 ? r.blocksPerCommand : kDefaultBlocksPerCommand;
  if (r.device == nullptr) return r.blockCount == 0 ? SS_COMP : SS_ERR;

  while (offset < r.blockCount && !stop) {
    const DWORD commandOffset = static_cast<DWORD>(offset);
    const LONG lba = static_cast<LONG>(static_cast<DWORD>(r.startLba) + commandOffset);
    BYTE* data =
        r.rangeBuffer != nullptr ? DataAt(r.rangeBuffer, offset, r.blockSize) : r.commandBuffer;
    DWORD n = offset + per > r.blockCount ? r.blockCount - commandOffset : per;

    status = SS_ERR;
    if (r.blockStatus != nullptr) {
      for (DWORD i = 0; i < n; ++i) r.blockStatus[i] = 0;
    }

    for (int attempt = 1; attempt <= kCommandAttempts && status != SS_COMP && !stop; ++attempt) {
      status = SendRead(r, lba, n, data);
      if (attempt == kAttemptsBeforeCallback && status != SS_COMP && onCommandError.present()) {
        ReadCallbackInfo info{request, lba, commandOffset, n, data, &status};
        stop = onCommandError(info) != 0;
      }
    }

    if (status != SS_COMP && r.blockStatus != nullptr) {
      for (DWORD i = 0; i < n; ++i) r.blockStatus[i] |= 1;
    }

    if (status != SS_COMP && !stop) {
      DWORD attempted = 0;
      for (DWORD k = 0; k < n && !blockStop; ++k) {
        BYTE* blockData = DataAt(data, k, r.blockSize);
        const LONG blockLba = static_cast<LONG>(static_cast<DWORD>(lba) + k);
        for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
          status = SendRead(r, blockLba, 1, blockData);
          if (status == SS_COMP) break;
        }
        ++attempted;
        if (status == SS_COMP) {
          if (r.blockStatus != nullptr) r.blockStatus[k] &= ~BYTE{1};
        } else if (onBlockError.present()) {
          ReadCallbackInfo info{request, blockLba, k, 1, blockData, &status};
          blockStop = onBlockError(info) != 0;
          if (status == SS_COMP && r.blockStatus != nullptr) r.blockStatus[k] &= ~BYTE{1};
        } else {
          blockStop = true;
          break;
        }
      }
      // The block that stopped the recovery is not counted.
      n = attempted - (blockStop ? 1 : 0);
    }

    r.blocksDone = stop ? commandOffset : commandOffset + n;

    if (!stop) {
      if (onProgress.present()) {
        ReadCallbackInfo info{request, lba, commandOffset, n, data, &status};
        stop = onProgress(info) != 0;
        if (stop) {
          status = SS_ERR;
          if (r.sense != nullptr) {
            r.sense->SenseKey = kSenseKeyStopped;
            r.sense->ASC = r.blocksDone > 0 ? kAscStoppedSomeRead : kAscStoppedNothingRead;
            r.sense->ASCQ = 0;
            r.sense->RetryCount = 0;
          }
        }
      }
      offset += per;  // always the full command size
    }
    if (blockStop) stop = true;
  }
  return status;
}
