#include "transport/Aspi.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "scsi/Inquiry.h"
#include "scsi/Opcodes.h"
#include "scsi/Sense.h"

namespace {

constexpr char kEventFailureCaption[] = "Help Debugging Morrow's Aspi Layer";
constexpr char kEventFailureText[] =
    "Couldn't create F&*$%ng Handle\n"
    "Contact me : support@tessaly.example\n"
    "Explain how you got to this situation";

constexpr BYTE kInquiry56[16] = {scsi::op::kInquiry, 0, 0, 0, 56, 0};
constexpr BYTE kInquiry36[16] = {scsi::op::kInquiry, 0, 0, 0, 36, 0};
constexpr BYTE kFilterAll = 0xFF;
constexpr DWORD kScanTimeoutHalfSeconds = 90;

// Unit attention for a medium change or a reset, and an aborted command without additional
// sense: the conditions that earn a counted retry.
bool IsRetriedSense(const scsi::Sense& sense) {
  return scsi::IsRetryableUnitAttention(sense) || scsi::IsAbortedWithoutAsc(sense);
}

// The drive gave no answer to the command: it timed out (and was aborted), is gone from the
// bus, or answered nothing but BUSY through all the resends.
bool WentUnanswered(const SRB_ExecSCSICmd& srb, bool passThrough, DWORD passThroughError) {
  if (srb.SRB_Status == SS_ABORTED) return true;
  if (srb.SRB_Status == SS_ERR &&
      (srb.SRB_HaStat == HASTAT_TIMEOUT || srb.SRB_HaStat == HASTAT_SEL_TO ||
       srb.SRB_TargStat == STATUS_BUSY))
    return true;
  return passThrough && srb.SRB_Status == SS_INVALID_SRB &&
         (passThroughError == ERROR_SEM_TIMEOUT || passThroughError == ERROR_TIMEOUT ||
          passThroughError == ERROR_DEVICE_NOT_CONNECTED);
}

bool ScanAccepts(BYTE type, BYTE filter) {
  return filter == kFilterAll || type == filter;
}

}  // namespace

Aspi::Aspi()
    : AdapterCount(0),
      DeviceCount(0),
      SPTIActive(0),
      DeviceTable{},
      Devices(nullptr),
      RetryLimit(0),
      TransitBufferRef(nullptr),
      CompletionEvent(nullptr),
      CommandLock{} {
  InitializeCriticalSection(&CommandLock);
  CompletionEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (CompletionEvent == nullptr) {
    MessageBoxA(nullptr, kEventFailureText, kEventFailureCaption, MB_OK);
  }
  Devices = DeviceTable;
  RetryLimit = 1;
  TransitBufferRef = TransitBuffer();
  ChoosePath();
}

Aspi::~Aspi() {
  DeleteCriticalSection(&CommandLock);
  if (CompletionEvent != nullptr) CloseHandle(CompletionEvent);
  CompletionEvent = nullptr;
}

BYTE Aspi::ExecSCSICmd(DeviceEntry& entry, SRB_ExecSCSICmd& srb, SenseResult& sense, BYTE* buffer,
                       LONG length, BYTE direction, const BYTE* cdb, BYTE cdbLength) {
  std::memset(&sense, 0, sizeof(sense));
  if ((entry.DeviceType & 0xF0) == 0xA0) return SS_ERR;

  // Held for the whole command including its retries, and let go on every way out.
  struct Held {
    CRITICAL_SECTION& lock;
    explicit Held(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
    ~Held() { LeaveCriticalSection(&lock); }
  } held(CommandLock);

  const bool transit =
      buffer != nullptr && (static_cast<DWORD>(entry.AlignmentMask()) &
                            static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(buffer))) != 0;
  BYTE refusal = SS_PENDING;
  int& unanswered = UnansweredCount(entry);
  if (unanswered >= kUnansweredCommandLimit) {
    refusal = SS_NO_DEVICE;  // known to be gone: nothing is sent, nothing waited for
  } else if (CompletionEvent == nullptr) {
    refusal = SS_FAILED_INIT;  // nothing can be waited for: nothing is sent
  } else if (length < 0 || (length > 0 && buffer == nullptr) || cdb == nullptr) {
    refusal = SS_INVALID_SRB;
  } else if (transit && static_cast<DWORD>(length) > kTransitBufferSize) {
    refusal = SS_BUFFER_TOO_BIG;  // the transit buffer cannot carry it
  }

  bool sent = false;
  DWORD passThroughError = ERROR_SUCCESS;
  if (refusal == SS_PENDING) {
    LONG attempt = 0;
    DWORD busyResends = 0;
    DWORD busyStart = 0;
    while (attempt <= RetryLimit) {
      BYTE* address = buffer;
      if (transit) {
        address = TransitBufferRef;
        if (direction == SRB_DIR_OUT) std::memcpy(TransitBufferRef, buffer, length);
      }

      std::memset(&srb, 0,
                  sizeof(srb) > kExecSCSICmdClearLength ? sizeof(srb) : kExecSCSICmdClearLength);
      srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
      srb.SRB_HaId = entry.HostAdapter;
      srb.SRB_Flags = static_cast<BYTE>(direction | SRB_EVENT_NOTIFY);
      srb.SRB_Target = entry.Target;
      srb.SRB_Lun = entry.Lun;
      srb.SRB_BufLen = static_cast<DWORD>(length);
      srb.SRB_BufPointer = address;
      srb.SRB_SenseLen = SENSE_LEN;
      srb.SRB_CDBLen = cdbLength;
      std::memcpy(srb.CDBByte, cdb, sizeof(srb.CDBByte));

      ResetEvent(CompletionEvent);
      srb.SRB_PostProc = CompletionEvent;

      if (SPTIActive != 0) {
        SetLastError(ERROR_SUCCESS);
        SendSPTICommand(&srb, entry.SptiDevice);
        passThroughError = GetLastError();
      } else {
        SendCommand(&srb);
      }
      sent = true;
      WaitForCompletion(srb);

      if (transit && direction == SRB_DIR_IN) std::memcpy(buffer, TransitBufferRef, length);

      if (srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_ABORTED) break;

      if (srb.SRB_TargStat != STATUS_GOOD && srb.SRB_TargStat != STATUS_CHKCOND) {
        // BUSY and the like: resent without counting, but not for ever.
        const DWORD now = timeGetTime();
        if (busyResends == 0) busyStart = now;
        if (busyResends >= kMaxBusyResends || now - busyStart >= kBusyResendTimeMs) break;
        ++busyResends;
        Sleep(kBusyResendPauseMs);
        continue;
      }

      // Key, ASC and ASCQ from the sense area, in whichever format the drive wrote it.
      const scsi::Sense parsed =
          scsi::ParseSense(srb.SenseArea,
                           std::min<std::size_t>(srb.SRB_SenseLen, sizeof(srb.SenseArea)))
              .sense;
      sense.SenseKey = parsed.key;
      sense.ASC = parsed.asc;
      sense.ASCQ = parsed.ascq;
      if (!IsRetriedSense(parsed)) break;
      ++attempt;
      if (attempt > RetryLimit) break;
      sense.RetryCount = static_cast<BYTE>(attempt);
    }
    if (!sent) refusal = SS_FAILED_INIT;
  }
  if (refusal != SS_PENDING) {
    srb.SRB_Status = refusal;
  } else if (WentUnanswered(srb, SPTIActive != 0, passThroughError)) {
    ++unanswered;
  } else {
    unanswered = 0;
  }

  return srb.SRB_Status;
}

namespace {

std::uint32_t DriveKey(BYTE path, const DeviceEntry& entry) {
  return static_cast<std::uint32_t>(path) << 24 |
         static_cast<std::uint32_t>(entry.HostAdapter) << 16 |
         static_cast<std::uint32_t>(entry.Target) << 8 | entry.Lun;
}

}  // namespace

int& Aspi::UnansweredCount(const DeviceEntry& entry) {
  const std::uint32_t drive = DriveKey(SPTIActive, entry);
  for (std::size_t i = 0; i < unansweredDrives_; ++i) {
    if (unanswered_[i].drive == drive) return unanswered_[i].count;
  }
  // A drive beyond the table (more than the device table holds) is never given up.
  if (unansweredDrives_ == unanswered_.size()) {
    untracked_ = 0;
    return untracked_;
  }
  unanswered_[unansweredDrives_] = {drive, 0};
  return unanswered_[unansweredDrives_++].count;
}

bool Aspi::StoppedResponding(const DeviceEntry& entry) const {
  const std::uint32_t drive = DriveKey(SPTIActive, entry);
  for (std::size_t i = 0; i < unansweredDrives_; ++i) {
    if (unanswered_[i].drive == drive) return unanswered_[i].count >= kUnansweredCommandLimit;
  }
  return false;
}

// The ASPI manager finishes the block on its own thread: it writes SRB_Status, then signals
// the event. A signal that belongs to an earlier block (sent by the manager after we had
// already seen that block's status) can wake the wait early; the block is finished only
// when its status is no longer pending.
void Aspi::WaitForCompletion(SRB_ExecSCSICmd& srb) {
  std::atomic_ref<BYTE> status(srb.SRB_Status);
  while (status.load(std::memory_order_acquire) == SS_PENDING) {
    WaitForSingleObject(CompletionEvent, INFINITE);
    if (status.load(std::memory_order_acquire) == SS_PENDING) ResetEvent(CompletionEvent);
  }
}

void Aspi::SendCommand(void* srb) {
  if (SPTIActive != 0) {
    SPTI::SendASPI32Command(srb);
  } else {
    AspiLoad::SendASPI32Command(srb);
  }
}

BYTE Aspi::GetDiskInfo(DeviceEntry& entry, SRB_GetDiskInfo& srb) {
  PaddedBlock<SRB_GetDiskInfo, kGetDiskInfoClearLength> block;
  std::memset(block.bytes, 0, sizeof(block.bytes));
  block.srb.SRB_Cmd = SC_GET_DISK_INFO;
  block.srb.SRB_HaId = entry.HostAdapter;
  block.srb.SRB_Target = entry.Target;
  block.srb.SRB_Lun = entry.Lun;
  SendCommand(&block.srb);
  std::memcpy(&srb, &block.srb, sizeof(srb));
  return block.srb.SRB_Status;
}

BYTE Aspi::SetTimeouts(DeviceEntry& entry, DWORD halfSeconds) {
  if (halfSeconds == 0 || halfSeconds > kMaxTimeoutHalfSeconds) {
    halfSeconds = kMaxTimeoutHalfSeconds;
  }
  PaddedBlock<SRB_GetSetTimeouts, kGetSetTimeoutsClearLength> block;
  std::memset(block.bytes, 0, sizeof(block.bytes));
  block.srb.SRB_Cmd = SC_GETSET_TIMEOUTS;
  block.srb.SRB_Flags = SRB_DIR_OUT;
  block.srb.SRB_HaId = entry.HostAdapter;
  block.srb.SRB_Target = entry.Target;
  block.srb.SRB_Lun = entry.Lun;
  block.srb.SRB_Timeout = halfSeconds;
  SendCommand(&block.srb);
  return block.srb.SRB_Status;
}

void Aspi::ChoosePath() {
  const bool nt = VersionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT;
  const DWORD major = VersionInfo.dwMajorVersion;
  if (AspiLoaded() && !nt) {
    InitPath(0);
  } else if (AspiLoaded() && nt && major >= 5 && !IsAdministrator()) {
    InitPath(0);
  } else if (nt) {
    InitPath(1);
    if (DeviceCount == 0) InitPath(0);
  }
}

void Aspi::InitPath(BYTE path) {
  AdapterCount = 0;
  DeviceCount = 0;
  SPTIActive = path;
  if (path == 0) {
    const DWORD info = GetASPI32SupportInfo();
    if (((info >> 8) & 0xFF) != SS_COMP) return;
    AdapterCount = static_cast<BYTE>(info & 0xFF);
  } else {
    AdapterCount = BusCount;
  }
  ScanDevices(DeviceTable, DTYPE_CDROM);
}

BYTE Aspi::ScanDevices(DeviceEntry* table, BYTE filter) {
  BYTE found = 0;
  DeviceCount = 0;
  std::memset(table, 0, sizeof(DeviceEntry) * kMaxDevices);

  for (BYTE adapter = 0; adapter < AdapterCount && DeviceCount < kMaxDevices; ++adapter) {
    PaddedBlock<SRB_HAInquiry, kHAInquiryClearLength> inquiry;
    std::memset(inquiry.bytes, 0, sizeof(inquiry.bytes));
    inquiry.srb.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.srb.SRB_HaId = adapter;
    SendCommand(&inquiry.srb);
    if (inquiry.srb.SRB_Status != SS_COMP) continue;
    const BYTE reportedTargets = inquiry.srb.HA_Unique[3];
    const BYTE targets = (reportedTargets == 8 || reportedTargets == 16) ? reportedTargets : 8;

    for (BYTE target = 0; target < targets && DeviceCount < kMaxDevices; ++target) {
      PaddedBlock<SRB_GDEVBlock, kGetDevTypeClearLength> devType;
      std::memset(devType.bytes, 0, sizeof(devType.bytes));
      devType.srb.SRB_Cmd = SC_GET_DEV_TYPE;
      devType.srb.SRB_HaId = adapter;
      devType.srb.SRB_Target = target;
      devType.srb.SRB_Lun = 0;
      SendCommand(&devType.srb);
      if (devType.srb.SRB_Status != SS_COMP) continue;
      const BYTE type = devType.srb.SRB_DeviceType;
      const bool askDrive = type == DTYPE_DASD || type == DTYPE_UNKNOWN;
      if (!askDrive && !ScanAccepts(type, filter)) continue;

      DeviceEntry& row = table[DeviceCount];
      SPTIDevice* sptiRow = nullptr;
      if (SPTIActive != 0) {
        SRB_GetSPTIDevice query{};
        query.SRB_Cmd = SC_GET_SPTI_DEVICE;
        query.SRB_HaId = adapter;
        query.SRB_Target = target;
        query.SRB_Lun = 0;
        SendCommand(&query);
        if (query.SRB_Status == SS_COMP) sptiRow = query.SRB_Device;
      }

      row.DeviceType = type;
      row.HostAdapter = adapter;
      row.Target = target;
      row.Lun = 0;
      row.SptiDevice = sptiRow;
      std::memcpy(row.ManagerId, inquiry.srb.HA_ManagerId, sizeof(row.ManagerId));
      std::memcpy(row.AdapterId, inquiry.srb.HA_Identifier, sizeof(row.AdapterId));
      std::memcpy(row.AdapterParams, inquiry.srb.HA_Unique, sizeof(row.AdapterParams));
      row.HasBlockDescriptor = 0;
      row.UseModeSense6 = 0;

      SetTimeouts(row, kScanTimeoutHalfSeconds);

      BYTE answer[56] = {};
      SRB_ExecSCSICmd exec{};
      SenseResult sense{};
      BYTE status = ExecSCSICmd(row, exec, sense, answer, 56, SRB_DIR_IN, kInquiry56, 6);
      if (status != SS_COMP) {
        status = ExecSCSICmd(row, exec, sense, answer, 36, SRB_DIR_IN, kInquiry36, 6);
      }
      if (status == SS_COMP) {
        std::memcpy(row.InquiryData, answer, sizeof(row.InquiryData));
      } else {
        // No answer: the sense triple stands in for vendor and product. The rest of the row's
        // inquiry data is cleared so that nothing of an earlier rejected candidate remains.
        char text[9];
        std::snprintf(text, sizeof(text), "%02X/%02X/%02X", sense.SenseKey, sense.ASC, sense.ASCQ);
        std::memset(row.InquiryData, 0, sizeof(row.InquiryData));
        std::memcpy(row.InquiryData + 8, text, 8);
        std::memcpy(row.InquiryData + 16, text, 8);
      }
      found = 1;

      SRB_GetDiskInfo disk{};
      GetDiskInfo(row, disk);
      std::memcpy(row.DiskInfo, &disk.SRB_DriveFlags, sizeof(row.DiskInfo));
      row.DriveLetter = static_cast<char>('A' + disk.SRB_Int13HDriveInfo);

      const BYTE inquiryType = row.InquiryData[0] & scsi::inquiry::kTypeMask;
      if (askDrive) row.DeviceType = inquiryType;
      if (ScanAccepts(inquiryType, filter)) ++DeviceCount;
    }
  }

  for (BYTE i = 0; i < DeviceCount; ++i) table[i].DeviceCount = DeviceCount;
  if (SPTIActive == 0 && VersionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    MapDriveLetters(table);
  }
  return found;
}
