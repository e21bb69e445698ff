// The SCSI pass-through layer of NT-family systems, presented as an ASPI manager: the
// SCSI ports' buses become logical host adapters, every drive letter from C to Z that
// reports a SCSI address becomes a row, request blocks are answered synchronously and SCSI
// commands run through DeviceIoControl pass-through calls. Its 64 KiB data area doubles as
// the bounce buffer for misaligned caller buffers on both paths.
#pragma once

#include <cstddef>

#include "diag/Logging.h"
#include "platform/win32.h"
#include "transport/DeviceEntry.h"
#include "transport/SPTIDevice.h"
#include "transport/wnaspi32.h"

// The system's own request code: asks the pass-through layer for the row at an address.
inline constexpr BYTE SC_GET_SPTI_DEVICE = 0xF0;

#pragma pack(push, 1)
struct SRB_GetSPTIDevice {
  BYTE SRB_Cmd;  // SC_GET_SPTI_DEVICE
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  SPTIDevice* SRB_Device;  // written by the pass-through layer
};
#pragma pack(pop)
static_assert(offsetof(SRB_GetSPTIDevice, SRB_Device) == 10);

inline constexpr DWORD kTransitBufferSize = 65536;
// The transit buffer starts on a boundary of this size, so that it satisfies every
// alignment mask up to 4095 that an adapter reports.
inline constexpr DWORD kTransitBufferAlignment = 4096;

// The pass-through structure, followed by a filler, the sense buffer and the data area.
// The direct call passes everything before the data area; the buffered call all of it.
// The data area sits on a 16-byte boundary of the block (offset 80 on 32-bit systems, 96 on
// 64-bit ones), so the block can be placed with its data area on a page boundary while its
// own fields keep their natural alignment.
struct SPTIPassThrough {
  SCSI_PASS_THROUGH_DIRECT Spt;  // DataBuffer holds the data offset for the buffered call
  ULONG Filler;
  UCHAR SenseBuffer[32];
  alignas(16) UCHAR DataBuffer[kTransitBufferSize];  // the TransitBuffer
};
inline constexpr DWORD kSenseBufferOffset = offsetof(SPTIPassThrough, SenseBuffer);
inline constexpr DWORD kDataBufferOffset = offsetof(SPTIPassThrough, DataBuffer);
inline constexpr DWORD kDirectCallSize = kDataBufferOffset;
inline constexpr DWORD kBufferedCallSize = sizeof(SPTIPassThrough);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(kSenseBufferOffset == 48);
static_assert(kDataBufferOffset == 80);
static_assert(kBufferedCallSize == 65616);
#endif
static_assert(kDataBufferOffset % alignof(SPTIPassThrough) == 0);

inline constexpr BYTE kMaxBusses = 40;        // logical adapters over all ports
inline constexpr DWORD kDefaultTimeOut = 30;  // seconds, when a row has none set
inline constexpr DWORD kMaxSetTimeout = 60;   // half-seconds a set request may ask for

class SPTI : public virtual Logging {
 public:
  SPTI();
  ~SPTI();
  SPTI(const SPTI&) = delete;
  SPTI& operator=(const SPTI&) = delete;

  // Answers any request block synchronously; the outcome is in the block. Returns 0.
  DWORD SendASPI32Command(void* srb);
  // Executes one SC_EXEC_SCSI_CMD block on one row; writes and returns SRB_Status.
  BYTE SendSPTICommand(SRB_ExecSCSICmd* srb, SPTIDevice* row);
  // The adapter's buffer alignment mask, 0 when it cannot be read.
  DWORD GetSPTIBufferMask(SPTIDevice* row);
  // The port's number of buses, 0 on failure.
  BYTE GetNumberOfBusses(HANDLE port);
  // Logical adapter of (port, bus), 0xFF when the pair is not in the bus table.
  BYTE GetLogicalAdaptor(BYTE portNumber, BYTE pathId);
  // A handle on "\\.\SCSI%d:", or INVALID_HANDLE_VALUE.
  HANDLE OpenAdaptor(BYTE portNumber);
  // Gives the device entries the letters of the rows at their address.
  void MapDriveLetters(DeviceEntry* table);
  // Whether the calling user's token holds the built-in Administrators group.
  bool IsAdministrator();

  SPTIDevice* Rows;  // owned, RowCount rows
  BYTE BusCount;
  BYTE PortCounter;

 private:
  // Room for the pass-through block at the one position in it that puts the block's data
  // area on a kTransitBufferAlignment boundary.
  alignas(SPTIPassThrough) BYTE PassThroughArea[sizeof(SPTIPassThrough) + kTransitBufferAlignment];

 public:
  SPTIPassThrough& PassThrough;  // inside PassThroughArea
  BYTE RowCount;

  BYTE* TransitBuffer() { return PassThrough.DataBuffer; }

 private:
  struct BusPair {
    BYTE Port;
    BYTE Bus;
  };
  BusPair* BusTable;  // only during construction
  DWORD PlatformId;
  DWORD MajorVersion;
};
