#include "platform/LinuxDrive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/LinuxPassThrough.h"

namespace platform {
namespace {

// SCSI_IOCTL_GET_IDLUN: dev_id = target | lun << 8 | channel << 16 | (host & 0xFF) << 24.
constexpr unsigned long kScsiIoctlGetIdlun = 0x5382;
struct IdLun {
  int devId;
  int hostUniqueId;
};

}  // namespace

LinuxDrive::LinuxDrive(LinuxSystem& system, const LinuxSysfs& sysfs, int drive, int fd,
                       bool writable, Reporter report, Notice notice)
    : system_(system),
      sysfs_(sysfs),
      drive_(drive),
      fd_(fd),
      writable_(writable),
      limits_(ReadQueueLimits(sysfs, drive)),
      path_("/dev/sr" + std::to_string(drive)),
      report_(std::move(report)),
      notice_(std::move(notice)) {}

LinuxDrive::QueueLimits LinuxDrive::ReadQueueLimits(const LinuxSysfs& sysfs, int drive) {
  QueueLimits limits;
  limits.alignment = sysfs.QueueValue(drive, "dma_alignment");
  limits.maxSectorsKb = sysfs.QueueValue(drive, "max_sectors_kb");
  limits.segments = sysfs.QueueValue(drive, "max_segments");
  // The hard limit of one request; max_sectors_kb when the hardware limit is not shown.
  auto limitKb = sysfs.QueueValue(drive, "max_hw_sectors_kb");
  if (!limitKb) limitKb = limits.maxSectorsKb;
  if (limitKb)
    limits.maximumTransfer = static_cast<DWORD>(std::min<unsigned long>(*limitKb, 4194303) * 1024);
  return limits;
}

LinuxDrive::~LinuxDrive() {
  system_.Close(fd_);
}

BOOL LinuxDrive::IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                           LPDWORD returned, DWORD& error) {
  *returned = 0;
  switch (code) {
    case IOCTL_SCSI_GET_ADDRESS:
      return GetAddress(out, outSize, returned, error);
    case IOCTL_SCSI_GET_CAPABILITIES:
      return GetCapabilities(out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return PassThrough(true, in, inSize, out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH:
      return PassThrough(false, in, inSize, out, outSize, returned, error);
    default:
      error = ERROR_NOT_SUPPORTED;
      return FALSE;
  }
}

BOOL LinuxDrive::GetAddress(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error) {
  if (out == nullptr || outSize < sizeof(SCSI_ADDRESS)) {
    error = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  std::optional<ScsiDeviceAddress> address = sysfs_.DriveAddress(drive_);
  if (!address) {
    IdLun idLun{};
    if (system_.Ioctl(fd_, kScsiIoctlGetIdlun, &idLun) >= 0) {
      const auto id = static_cast<unsigned>(idLun.devId);
      address = ScsiDeviceAddress{static_cast<int>(id >> 24), static_cast<int>((id >> 16) & 0xFF),
                                  static_cast<int>(id & 0xFF), static_cast<int>((id >> 8) & 0xFF)};
    }
  }
  if (!address) {
    error = ERROR_NOT_SUPPORTED;
    return FALSE;
  }
  const std::vector<int> hosts = sysfs_.Hosts();
  auto found = std::find(hosts.begin(), hosts.end(), address->host);
  if (found == hosts.end() || found - hosts.begin() > 0xFF || address->channel > 0xFF ||
      address->target > 0xFF || address->lun > 0xFF) {
    error = ERROR_NOT_SUPPORTED;  // no port answers for this drive
    return FALSE;
  }
  SCSI_ADDRESS answer{};
  answer.Length = sizeof(SCSI_ADDRESS);
  answer.PortNumber = static_cast<UCHAR>(found - hosts.begin());
  answer.PathId = static_cast<UCHAR>(address->channel);
  answer.TargetId = static_cast<UCHAR>(address->target);
  answer.Lun = static_cast<UCHAR>(address->lun);
  std::memcpy(out, &answer, sizeof(answer));
  *returned = sizeof(answer);
  return TRUE;
}

BOOL LinuxDrive::GetCapabilities(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error) {
  if (out == nullptr || outSize < sizeof(IO_SCSI_CAPABILITIES)) {
    error = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  const auto& alignment = limits_.alignment;
  const auto& maxSectorsKb = limits_.maxSectorsKb;
  if (!alignment || !maxSectorsKb) {
    error = ERROR_NOT_SUPPORTED;
    return FALSE;
  }
  IO_SCSI_CAPABILITIES answer{};
  answer.Length = sizeof(IO_SCSI_CAPABILITIES);
  answer.MaximumTransferLength =
      static_cast<ULONG>(std::min<unsigned long>(*maxSectorsKb, 4194303) * 1024);
  if (limits_.segments) answer.MaximumPhysicalPages = static_cast<ULONG>(*limits_.segments);
  answer.AlignmentMask = static_cast<ULONG>(*alignment);
  std::memcpy(out, &answer, sizeof(answer));
  *returned = sizeof(answer);
  return TRUE;
}

BOOL LinuxDrive::PassThrough(bool direct, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                             LPDWORD returned, DWORD& error) {
  PassThroughRequest request;
  request.direct = direct;
  request.in = in;
  request.inSize = inSize;
  request.out = out;
  request.outSize = outSize;
  request.maximumTransfer = limits_.maximumTransfer;

  PassThroughRecord record;
  record.trace.device = path_.c_str();
  const BOOL ok = SendPassThrough(system_, fd_, request, returned, error, record);
  if (!ok && error == ERROR_ACCESS_DENIED && !writable_ && !refusalExplained_ && notice_) {
    refusalExplained_ = true;
    char text[256];
    std::snprintf(text, sizeof(text),
                  "%s refused command %02Xh: the drive is open read-only. MODE SELECT and SET "
                  "CD SPEED need write access to %s (membership of the 'cdrom' group).",
                  path_.c_str(), record.trace.cdbLength > 0 ? record.cdb[0] : 0, path_.c_str());
    notice_(text);
  }
  if (report_) report_(record.trace);
  return ok;
}

}  // namespace platform
