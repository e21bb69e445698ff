#include "transport/SPTI.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr DWORD kInquiryDataSize = 8192;  // output of IOCTL_SCSI_GET_INQUIRY_DATA
constexpr char kManagerId[] = "Tessaly Co. NT";
constexpr char kAdapterId[] = "Unknown";

void CopyText(BYTE (&field)[16], const char* text) {
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, text, std::min(sizeof(field), std::strlen(text)));
}

// The block inside `area` whose data area starts on a kTransitBufferAlignment boundary.
SPTIPassThrough& PlaceBlock(BYTE* area) {
  const auto base = reinterpret_cast<std::uintptr_t>(area);
  const std::uintptr_t data = (base + kDataBufferOffset + kTransitBufferAlignment - 1) &
                              ~std::uintptr_t{kTransitBufferAlignment - 1};
  return *new (area + (data - kDataBufferOffset - base)) SPTIPassThrough{};
}

void SignalPostProc(BYTE flags, void* postProc) {
  if ((flags & SRB_EVENT_NOTIFY) != 0 && postProc != nullptr) SetEvent(postProc);
}

}  // namespace

SPTI::SPTI()
    : Rows(nullptr),
      BusCount(0),
      PortCounter(0),
      PassThroughArea{},
      PassThrough(PlaceBlock(PassThroughArea)),
      RowCount(0),
      BusTable(nullptr),
      PlatformId(0),
      MajorVersion(0) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&version);
  PlatformId = version.dwPlatformId;
  MajorVersion = version.dwMajorVersion;
  if (PlatformId != VER_PLATFORM_WIN32_NT) return;

  // Held by owners during the enumeration so that a failed allocation leaks nothing.
  std::unique_ptr<SPTIDevice[]> rows(new SPTIDevice[kMaxBusses]{});
  std::unique_ptr<BusPair[]> busTable(new BusPair[kMaxBusses]{});
  BusTable = busTable.get();
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);

  // Ports: every bus of every port becomes one logical adapter.
  while (BusCount < kMaxBusses && PortCounter < 0xFF) {
    HANDLE port = OpenAdaptor(PortCounter);
    if (port == INVALID_HANDLE_VALUE) break;
    const BYTE busses = GetNumberOfBusses(port);
    CloseHandle(port);
    for (BYTE bus = 0; bus < busses && BusCount < kMaxBusses; ++bus) {
      BusTable[BusCount] = BusPair{PortCounter, bus};
      ++BusCount;
    }
    ++PortCounter;
  }

  // Drive letters: every one that reports a SCSI address becomes a row.
  for (char letter = 'C'; letter <= 'Z' && RowCount < kMaxBusses; ++letter) {
    char name[8];
    std::snprintf(name, sizeof(name), "\\\\.\\%c:", letter);
    HANDLE handle =
        CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) continue;
    SCSI_ADDRESS address{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address),
                         &returned, nullptr)) {
      CloseHandle(handle);
      continue;
    }
    SPTIDevice& row = rows[RowCount++];
    row.LogicalAdapter = GetLogicalAdaptor(address.PortNumber, address.PathId);
    row.PortNumber = address.PortNumber;
    row.PathId = address.PathId;
    row.TargetId = address.TargetId;
    row.Lun = address.Lun;
    row.Handle = handle;
    row.DriveLetter = letter;
    row.TimeOut = 0;
    row.Direct = MajorVersion == 4 ? 0 : 1;
  }

  SetErrorMode(previousMode);
  BusTable = nullptr;
  if (RowCount > 0) {
    SPTIDevice* shrunk = nullptr;
    try {
      shrunk = new SPTIDevice[RowCount];
    } catch (...) {
      for (BYTE i = 0; i < RowCount; ++i) CloseHandle(rows[i].Handle);
      RowCount = 0;
      throw;
    }
    std::copy(rows.get(), rows.get() + RowCount, shrunk);
    Rows = shrunk;
  }
}

SPTI::~SPTI() {
  for (BYTE i = 0; i < RowCount; ++i) {
    if (Rows[i].Handle != nullptr && Rows[i].Handle != INVALID_HANDLE_VALUE) {
      CloseHandle(Rows[i].Handle);
    }
  }
  delete[] Rows;
  Rows = nullptr;
  RowCount = 0;
}

HANDLE SPTI::OpenAdaptor(BYTE portNumber) {
  char name[16];
  std::snprintf(name, sizeof(name), "\\\\.\\SCSI%d:", static_cast<int>(portNumber));
  HANDLE handle =
      CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  return handle;
}

BYTE SPTI::GetNumberOfBusses(HANDLE port) {
  BYTE info[kInquiryDataSize] = {};
  DWORD returned = 0;
  if (!DeviceIoControl(port, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, info, sizeof(info), &returned,
                       nullptr)) {
    return 0;
  }
  return info[0];  // SCSI_ADAPTER_BUS_INFO.NumberOfBuses
}

BYTE SPTI::GetLogicalAdaptor(BYTE portNumber, BYTE pathId) {
  if (BusTable == nullptr) return 0xFF;
  for (BYTE i = 0; i < BusCount; ++i) {
    if (BusTable[i].Port == portNumber && BusTable[i].Bus == pathId) return i;
  }
  return 0xFF;
}

DWORD SPTI::GetSPTIBufferMask(SPTIDevice* row) {
  if (row == nullptr || row->Handle == nullptr || row->Handle == INVALID_HANDLE_VALUE) return 0;
  IO_SCSI_CAPABILITIES capabilities{};
  DWORD returned = 0;
  if (!DeviceIoControl(row->Handle, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities,
                       sizeof(capabilities), &returned, nullptr)) {
    return 0;
  }
  return capabilities.AlignmentMask;
}

DWORD SPTI::SendASPI32Command(void* srb) {
  if (srb == nullptr) return 0;
  auto* header = static_cast<SRB_Header*>(srb);
  const BYTE* bytes = static_cast<const BYTE*>(srb);
  if (header->SRB_HaId >= BusCount) {
    header->SRB_Status = SS_INVALID_HA;
    return 0;
  }

  const bool adapterOnly =
      header->SRB_Cmd == SC_HA_INQUIRY || header->SRB_Cmd == SC_RESCAN_SCSI_BUS;
  SPTIDevice* row = nullptr;
  for (BYTE i = 0; i < RowCount && row == nullptr; ++i) {
    SPTIDevice& candidate = Rows[i];
    if (candidate.LogicalAdapter != header->SRB_HaId) continue;
    if (adapterOnly || (candidate.TargetId == bytes[8] && candidate.Lun == bytes[9])) {
      row = &candidate;
    }
  }
  if (row == nullptr) {
    header->SRB_Status = SS_NO_DEVICE;
    return 0;
  }

  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: {
      auto* inquiry = static_cast<SRB_HAInquiry*>(srb);
      inquiry->HA_Count = BusCount;
      std::memset(inquiry->HA_Unique, 0, sizeof(inquiry->HA_Unique));
      const DWORD mask = GetSPTIBufferMask(row);
      inquiry->HA_Unique[0] = static_cast<BYTE>(mask & 0xFF);
      inquiry->HA_Unique[1] = static_cast<BYTE>((mask >> 8) & 0xFF);
      inquiry->HA_Unique[3] = 16;
      CopyText(inquiry->HA_ManagerId, kManagerId);
      CopyText(inquiry->HA_Identifier, kAdapterId);
      inquiry->SRB_Status = SS_COMP;
      break;
    }
    case SC_GET_DEV_TYPE:
      static_cast<SRB_GDEVBlock*>(srb)->SRB_DeviceType = DTYPE_UNKNOWN;
      header->SRB_Status = SS_COMP;
      break;
    case SC_EXEC_SCSI_CMD:
      SendSPTICommand(static_cast<SRB_ExecSCSICmd*>(srb), row);
      break;
    case SC_RESET_DEV: {
      auto* reset = static_cast<SRB_BusDeviceReset*>(srb);
      reset->SRB_Status = SS_NO_ASPI;
      SignalPostProc(reset->SRB_Flags, reset->SRB_PostProc);
      break;
    }
    case SC_GET_DISK_INFO: {
      auto* disk = static_cast<SRB_GetDiskInfo*>(srb);
      disk->SRB_DriveFlags = 0;
      disk->SRB_Heads = 0;
      disk->SRB_Sectors = 0;
      disk->SRB_Int13HDriveInfo = static_cast<BYTE>(row->DriveLetter - 'A');
      disk->SRB_Status = SS_COMP;
      break;
    }
    case SC_GETSET_TIMEOUTS: {
      auto* timeouts = static_cast<SRB_GetSetTimeouts*>(srb);
      if ((timeouts->SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT)) == SRB_DIR_IN) {
        timeouts->SRB_Timeout = row->TimeOut * 2;
        timeouts->SRB_Status = SS_COMP;
      } else if (timeouts->SRB_Timeout > kMaxSetTimeout) {
        timeouts->SRB_Status = SS_INVALID_SRB;
      } else {
        row->TimeOut = timeouts->SRB_Timeout / 2;
        timeouts->SRB_Status = SS_COMP;
      }
      break;
    }
    case SC_GET_SPTI_DEVICE:
      static_cast<SRB_GetSPTIDevice*>(srb)->SRB_Device = row;
      header->SRB_Status = SS_COMP;
      break;
    default:
      header->SRB_Status = SS_NO_ASPI;
      break;
  }
  return 0;
}

BYTE SPTI::SendSPTICommand(SRB_ExecSCSICmd* srb, SPTIDevice* row) {
  if (srb == nullptr) return SS_INVALID_SRB;
  if (row == nullptr) {
    srb->SRB_Status = SS_NO_DEVICE;
    return SS_NO_DEVICE;
  }

  SCSI_PASS_THROUGH_DIRECT& spt = PassThrough.Spt;
  const BYTE direction = srb->SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT);
  BYTE* data = srb->SRB_BufPointer;
  const DWORD dataLength = srb->SRB_BufLen;
  BYTE* const dataArea = PassThrough.DataBuffer;
  const DWORD timeOut = row->TimeOut != 0 ? row->TimeOut : kDefaultTimeOut;
  const bool direct = row->Direct != 0;

  spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  spt.ScsiStatus = 0;
  spt.PathId = row->PathId;
  spt.TargetId = row->TargetId;
  spt.Lun = row->Lun;
  spt.CdbLength = srb->SRB_CDBLen;
  // The sense buffer holds 32 bytes; a longer request would let the port write past it.
  spt.SenseInfoLength = std::min<BYTE>(srb->SRB_SenseLen, sizeof(PassThrough.SenseBuffer));
  spt.DataIn = direction == SRB_DIR_IN    ? SCSI_IOCTL_DATA_IN
               : direction == SRB_DIR_OUT ? SCSI_IOCTL_DATA_OUT
                                          : SCSI_IOCTL_DATA_UNSPECIFIED;
  spt.DataTransferLength = dataLength;
  spt.TimeOutValue = timeOut;
  spt.DataBuffer = data;
  spt.SenseInfoOffset = kSenseBufferOffset;
  std::memcpy(spt.Cdb, srb->CDBByte, sizeof(spt.Cdb));
  std::memset(PassThrough.SenseBuffer, 0, sizeof(PassThrough.SenseBuffer));
  const std::int64_t start = platform::time(nullptr);

  BYTE status = SS_PENDING;
  BOOL delivered = FALSE;
  DWORD returned = 0;
  if (direct) {
    delivered = DeviceIoControl(row->Handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &PassThrough,
                                kDirectCallSize, &PassThrough, kDirectCallSize, &returned, nullptr);
    if (!delivered && GetLastError() == ERROR_INVALID_PARAMETER) row->Direct = 0;
  } else if (dataLength > kTransitBufferSize) {
    // The buffered call carries at most the data area: refuse, nothing sent or copied.
    status = SS_BUFFER_TOO_BIG;
  } else {
    spt.Length = sizeof(SCSI_PASS_THROUGH);
    spt.DataBuffer = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(kDataBufferOffset));
    spt.SenseInfoOffset = kSenseBufferOffset;
    if (spt.DataIn == SCSI_IOCTL_DATA_OUT && data != nullptr && data != dataArea) {
      std::memmove(dataArea, data, dataLength);
    }
    delivered =
        DeviceIoControl(row->Handle, IOCTL_SCSI_PASS_THROUGH, &PassThrough, kBufferedCallSize,
                        &PassThrough, kBufferedCallSize, &returned, nullptr);
  }

  if (status == SS_PENDING) {
    if (!delivered) {
      const std::int64_t elapsed = platform::time(nullptr) - start;
      status = static_cast<std::int64_t>(timeOut) < elapsed ? SS_ABORTED : SS_INVALID_SRB;
    } else if (spt.ScsiStatus == STATUS_GOOD) {
      status = SS_COMP;
      if (!direct && spt.DataIn == SCSI_IOCTL_DATA_IN && data != nullptr && data != dataArea) {
        std::memmove(data, dataArea, dataLength);
      }
    } else {
      srb->SRB_TargStat = spt.ScsiStatus;
      if (spt.ScsiStatus == STATUS_CHKCOND) {
        const size_t count = std::min<size_t>(
            {spt.SenseInfoLength, sizeof(PassThrough.SenseBuffer), sizeof(srb->SenseArea)});
        std::memcpy(srb->SenseArea, PassThrough.SenseBuffer, count);
      }
      status = SS_ERR;
    }
  }

  srb->SRB_Status = status;
  SignalPostProc(srb->SRB_Flags, srb->SRB_PostProc);
  return status;
}

void SPTI::MapDriveLetters(DeviceEntry* table) {
  if (table == nullptr) return;
  const int count = std::min<int>(table[0].DeviceCount, kMaxDevices);
  for (int i = 0; i < count; ++i) {
    DeviceEntry& entry = table[i];
    for (BYTE r = 0; r < RowCount; ++r) {
      const SPTIDevice& row = Rows[r];
      if (row.PortNumber == entry.HostAdapter && row.TargetId == entry.Target &&
          row.Lun == entry.Lun) {
        entry.DriveLetter = row.DriveLetter;
        break;
      }
    }
  }
}

bool SPTI::IsAdministrator() {
  HANDLE token = nullptr;
  PSID group = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL acl = nullptr;
  BOOL accessStatus = FALSE;

  do {
    if (!ImpersonateSelf(SecurityImpersonation)) break;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token)) {
      token = nullptr;
      if (GetLastError() != ERROR_NO_TOKEN) break;
      if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        token = nullptr;
        break;
      }
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &group)) {
      group = nullptr;
      break;
    }
    descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (descriptor == nullptr) break;
    if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) break;
    const DWORD aclLength = GetLengthSid(group) + 16;
    acl = static_cast<PACL>(LocalAlloc(LPTR, aclLength));
    if (acl == nullptr) break;
    if (!InitializeAcl(acl, aclLength, ACL_REVISION)) break;
    if (!AddAccessAllowedAce(acl, ACL_REVISION, 0x1 | 0x2, group)) break;
    if (!SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)) break;
    SetSecurityDescriptorGroup(descriptor, group, FALSE);
    SetSecurityDescriptorOwner(descriptor, group, FALSE);
    if (!IsValidSecurityDescriptor(descriptor)) break;

    GENERIC_MAPPING mapping{1, 2, 0, 3};
    PRIVILEGE_SET privileges{};
    DWORD privilegesLength = sizeof(privileges);
    DWORD granted = 0;
    if (!AccessCheck(descriptor, token, 1, &mapping, &privileges, &privilegesLength, &granted,
                     &accessStatus)) {
      std::printf("AccessCheck() failed with error %lu\n",
                  static_cast<unsigned long>(GetLastError()));
      std::fflush(stdout);
      accessStatus = FALSE;
      break;
    }
  } while (false);

  RevertToSelf();
  if (acl != nullptr) LocalFree(acl);
  if (descriptor != nullptr) LocalFree(descriptor);
  if (group != nullptr) FreeSid(group);
  if (token != nullptr) CloseHandle(token);
  return accessStatus != FALSE;
}
