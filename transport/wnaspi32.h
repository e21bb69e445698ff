// ASPI for Win32 request blocks, command codes, flags and status codes, byte-packed as
// published. On a 32-bit target every block has its published size; on a 64-bit target the
// pointer fields widen and the blocks grow with them.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Command codes (SRB_Cmd)
inline constexpr BYTE SC_HA_INQUIRY = 0x00;
inline constexpr BYTE SC_GET_DEV_TYPE = 0x01;
inline constexpr BYTE SC_EXEC_SCSI_CMD = 0x02;
inline constexpr BYTE SC_ABORT_SRB = 0x03;
inline constexpr BYTE SC_RESET_DEV = 0x04;
inline constexpr BYTE SC_GET_DISK_INFO = 0x06;
inline constexpr BYTE SC_RESCAN_SCSI_BUS = 0x07;
inline constexpr BYTE SC_GETSET_TIMEOUTS = 0x08;

// Request flags (SRB_Flags)
inline constexpr BYTE SRB_POSTING = 0x01;
inline constexpr BYTE SRB_ENABLE_RESIDUAL_COUNT = 0x04;
inline constexpr BYTE SRB_DIR_IN = 0x08;
inline constexpr BYTE SRB_DIR_OUT = 0x10;
inline constexpr BYTE SRB_EVENT_NOTIFY = 0x40;

// Status codes (SRB_Status)
inline constexpr BYTE SS_PENDING = 0x00;
inline constexpr BYTE SS_COMP = 0x01;
inline constexpr BYTE SS_ABORTED = 0x02;
inline constexpr BYTE SS_ABORT_FAIL = 0x03;
inline constexpr BYTE SS_ERR = 0x04;
inline constexpr BYTE SS_INVALID_CMD = 0x80;
inline constexpr BYTE SS_INVALID_HA = 0x81;
inline constexpr BYTE SS_NO_DEVICE = 0x82;
inline constexpr BYTE SS_INVALID_SRB = 0xE0;
inline constexpr BYTE SS_FAILED_INIT = 0xE4;
inline constexpr BYTE SS_NO_ASPI = 0xE3;
inline constexpr BYTE SS_ASPI_IS_BUSY = 0xE5;
inline constexpr BYTE SS_BUFFER_TOO_BIG = 0xE6;

// Host adapter status (SRB_HaStat)
inline constexpr BYTE HASTAT_OK = 0x00;
inline constexpr BYTE HASTAT_SEL_TO = 0x11;
inline constexpr BYTE HASTAT_TIMEOUT = 0x09;

// Target status (SRB_TargStat)
inline constexpr BYTE STATUS_GOOD = 0x00;
inline constexpr BYTE STATUS_CHKCOND = 0x02;
inline constexpr BYTE STATUS_BUSY = 0x08;

// Peripheral device types
inline constexpr BYTE DTYPE_DASD = 0x00;
inline constexpr BYTE DTYPE_CDROM = 0x05;
inline constexpr BYTE DTYPE_UNKNOWN = 0x1F;

inline constexpr BYTE SENSE_LEN = 14;  // sense bytes the system asks for

#pragma pack(push, 1)

struct SRB_Header {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE HA_Count;
  BYTE HA_SCSI_ID;
  BYTE HA_ManagerId[16];
  BYTE HA_Identifier[16];
  BYTE HA_Unique[16];
  WORD HA_Rsvd1;
};

struct SRB_GDEVBlock {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DeviceType;
  BYTE SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  WORD SRB_Rsvd1;
  DWORD SRB_BufLen;
  BYTE* SRB_BufPointer;
  BYTE SRB_SenseLen;
  BYTE SRB_CDBLen;
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  void* SRB_PostProc;
  BYTE SRB_Rsvd2[4];
  BYTE SRB_Rsvd3[16];
  BYTE CDBByte[16];
  BYTE SenseArea[66];
};

struct SRB_Abort {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};

struct SRB_BusDeviceReset {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_Rsvd1[12];
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  void* SRB_PostProc;
  BYTE SRB_Rsvd2[36];
};

struct SRB_GetDiskInfo {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DriveFlags;
  BYTE SRB_Int13HDriveInfo;
  BYTE SRB_Heads;
  BYTE SRB_Sectors;
  BYTE SRB_Rsvd1[10];
};

struct SRB_RescanPort {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
};

struct SRB_GetSetTimeouts {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  DWORD SRB_Timeout;
};

struct ASPI32BUFF {
  LPBYTE AB_BufPointer;
  DWORD AB_BufLen;
  DWORD AB_ZeroFill;
  DWORD AB_Reserved;
};

#pragma pack(pop)

using PSRB_HAInquiry = SRB_HAInquiry*;
using PSRB_GDEVBlock = SRB_GDEVBlock*;
using PSRB_ExecSCSICmd = SRB_ExecSCSICmd*;
using PSRB_GetDiskInfo = SRB_GetDiskInfo*;
using PSRB_GetSetTimeouts = SRB_GetSetTimeouts*;
using PASPI32BUFF = ASPI32BUFF*;

// Entry points of the library, as resolved by name.
using GetASPI32SupportInfoProc = DWORD (*)();
using SendASPI32CommandProc = DWORD (*)(LPVOID srb);
using GetASPI32BufferProc = BOOL (*)(PASPI32BUFF buffer);
using FreeASPI32BufferProc = BOOL (*)(PASPI32BUFF buffer);
using TranslateASPI32AddressProc = BOOL (*)(PDWORD path, PDWORD devNode);
using IdentifyYourselfProc = void (*)(char* buffer, int length);

// Layout checks. Offsets that hold before the first pointer field hold on every target.
static_assert(sizeof(SRB_Header) == 8);
static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_ManagerId) == 10);
static_assert(offsetof(SRB_HAInquiry, HA_Identifier) == 26);
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42);
static_assert(offsetof(SRB_HAInquiry, HA_Rsvd1) == 58);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 8);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(sizeof(SRB_GetDiskInfo) == 24);
static_assert(offsetof(SRB_GetDiskInfo, SRB_DriveFlags) == 10);
static_assert(offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11);
static_assert(sizeof(SRB_GetSetTimeouts) == 14);
static_assert(offsetof(SRB_GetSetTimeouts, SRB_Timeout) == 10);
static_assert(offsetof(SRB_BusDeviceReset, SRB_PostProc) == 24);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SRB_ExecSCSICmd) == 130);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 21);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 22);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 23);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2) == 28);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd3) == 32);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64);
static_assert(sizeof(SRB_BusDeviceReset) == 64);
static_assert(sizeof(SRB_Abort) == 12);
#endif
