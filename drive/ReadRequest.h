// One range read for the sector read loop, the record its callbacks receive, and the
// callbacks themselves: member functions bound to an owner object that return a stop
// request (non-zero = stop).
#pragma once

#include "platform/win32.h"
#include "transport/DeviceEntry.h"
#include "transport/SenseResult.h"

struct ReadRequest;

struct ReadCallbackInfo {
  ReadRequest* request;
  LONG lba;      // first block of the command; for onBlockError the failing block
  DWORD index;   // the command's offset in the range; for onBlockError the block's index
                 // within its command
  DWORD blocks;  // blocks of the command; 1 for onBlockError
  BYTE* data;    // where the command's (or the block's) data lies
  BYTE* status;  // the completion status; set it to 1 to have a failure treated as success
};

class ReadCallback {
 public:
  ReadCallback() = default;

  template <class Owner, BYTE (Owner::*Fn)(ReadCallbackInfo&)>
  static ReadCallback Bind(Owner* owner) {
    ReadCallback callback;
    callback.owner_ = owner;
    callback.function_ = &Call<Owner, Fn>;
    return callback;
  }

  bool present() const { return function_ != nullptr; }
  BYTE operator()(ReadCallbackInfo& info) const {
    return function_ != nullptr ? function_(owner_, info) : 0;
  }

 private:
  template <class Owner, BYTE (Owner::*Fn)(ReadCallbackInfo&)>
  static BYTE Call(void* owner, ReadCallbackInfo& info) {
    return (static_cast<Owner*>(owner)->*Fn)(info);
  }

  void* owner_ = nullptr;
  BYTE (*function_)(void*, ReadCallbackInfo&) = nullptr;
};

// Read commands of the loop.
inline constexpr DWORD kReadModeReadCD = 0;
inline constexpr DWORD kReadModeRead10 = 1;
inline constexpr DWORD kReadModeReadCDMSF = 3;

inline constexpr DWORD kDefaultBlocksPerCommand = 16;

// Sense key of a read stopped by onProgress (not a SCSI sense key), with its ASCs.
inline constexpr BYTE kSenseKeyStopped = 0xFE;
inline constexpr BYTE kAscStoppedNothingRead = 2;
inline constexpr BYTE kAscStoppedSomeRead = 3;

struct ReadRequest {
  DeviceEntry* device;
  LONG startLba;
  DWORD blockCount;
  DWORD blocksDone;     // out: blocks of the range completed so far
  BYTE* rangeBuffer;    // when set: block i lands at rangeBuffer + i * blockSize
  BYTE* commandBuffer;  // otherwise every command reads here (blocksPerCommand blocks)
  DWORD blockSize;      // 2048 user data, 2352 raw
  SenseResult* sense;
  DWORD readMode;               // kReadModeReadCD, kReadModeRead10, kReadModeReadCDMSF
  BYTE sectorType;              // READ CD byte 1 (bits 2-4)
  BYTE readCdFlags;             // READ CD byte 9
  BYTE subChannel;              // READ CD byte 10
  DWORD blocksPerCommand;       // 0 means 16
  BYTE* blockStatus;            // one byte per block of the current command; bit 0 = not read
  ReadCallback onCommandError;  // after the second failed attempt of a command
  ReadCallback onBlockError;    // a block that keeps failing during recovery
  ReadCallback onProgress;      // after every command
  void* user;                   // for the caller's callbacks
};
