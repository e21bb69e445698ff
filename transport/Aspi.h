// The core of the command transport: one execute-command operation with completion wait,
// retries and sense capture, the device table, the completion event, the command lock and
// the choice between the ASPI library and the pass-through layer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "transport/AspiLoad.h"
#include "transport/Cdr4vsd.h"
#include "transport/DeviceEntry.h"
#include "transport/SPTI.h"
#include "transport/SenseResult.h"
#include "transport/wnaspi32.h"

// Request blocks are cleared over these lengths before their fields are set; the storage
// that holds them is at least this large.
inline constexpr int kHAInquiryClearLength = 110;
inline constexpr int kGetDevTypeClearLength = 62;
inline constexpr int kExecSCSICmdClearLength = 130;
inline constexpr int kGetDiskInfoClearLength = 74;
inline constexpr int kGetSetTimeoutsClearLength = 64;

inline constexpr DWORD kMaxTimeoutHalfSeconds = 108000;  // 15 hours

// Resends while a target answers neither GOOD nor CHECK CONDITION (BUSY and the like) are
// not counted as retries; they stop after this time by the host clock or this many resends.
inline constexpr DWORD kBusyResendPauseMs = 20;
inline constexpr DWORD kBusyResendTimeMs = 20000;
inline constexpr DWORD kMaxBusyResends = 2000;

// A drive that leaves this many commands in a row without an answer (timed out, aborted
// after its time-out, gone from the bus, or BUSY through all its resends) is taken as having
// stopped responding: from then on its commands fail at once with SS_NO_DEVICE, nothing is
// sent and nothing is waited for.
inline constexpr int kUnansweredCommandLimit = 3;

// A request block in storage of at least its cleared length.
template <class Block, int ClearLength>
union PaddedBlock {
  Block srb;
  BYTE bytes[ClearLength > static_cast<int>(sizeof(Block)) ? ClearLength : sizeof(Block)];
};

class Aspi : public AspiLoad, public Cdr4vsd, public SPTI {
 public:
  Aspi();
  ~Aspi();
  Aspi(const Aspi&) = delete;
  Aspi& operator=(const Aspi&) = delete;

  // Sends one SCSI command to the entry's drive, waits for it, retries as the rules say and
  // returns the completion status with the sense in `sense`.
  BYTE ExecSCSICmd(DeviceEntry& entry, SRB_ExecSCSICmd& srb, SenseResult& sense, BYTE* buffer,
                   LONG length, BYTE direction, const BYTE* cdb, BYTE cdbLength);
  // Hands any request block to the active path without waiting.
  void SendCommand(void* srb);
  // SC_GET_DISK_INFO for the entry; the answer is in bytes 10-13 of `srb`.
  BYTE GetDiskInfo(DeviceEntry& entry, SRB_GetDiskInfo& srb);
  // Sets the entry's time-out in half-seconds (0 and above 15 hours: 15 hours).
  BYTE SetTimeouts(DeviceEntry& entry, DWORD halfSeconds);

  // The drive has stopped responding (see kUnansweredCommandLimit).
  bool StoppedResponding(const DeviceEntry& entry) const;

  void ChoosePath();
  void InitPath(BYTE path);
  BYTE ScanDevices(DeviceEntry* table, BYTE filter);

  BYTE AdapterCount;
  BYTE DeviceCount;
  BYTE SPTIActive;
  DeviceEntry DeviceTable[kMaxDevices];
  DeviceEntry* Devices;  // == DeviceTable
  LONG RetryLimit;
  BYTE* TransitBufferRef;
  HANDLE CompletionEvent;
  CRITICAL_SECTION CommandLock;

 private:
  void WaitForCompletion(SRB_ExecSCSICmd& srb);
  // The count of commands in a row the entry's drive left unanswered (fixed storage: a
  // command allocates nothing).
  int& UnansweredCount(const DeviceEntry& entry);
  struct Unanswered {
    std::uint32_t drive = 0;  // path, adapter, target and LUN
    int count = 0;
  };
  std::array<Unanswered, kMaxDevices + 2> unanswered_{};
  std::size_t unansweredDrives_ = 0;
  int untracked_ = 0;
};
