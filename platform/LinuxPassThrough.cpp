#include "platform/LinuxPassThrough.h"

#include <scsi/sg.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/PassThroughBlock.h"
#include "scsi/Sense.h"

namespace platform {
namespace {

// host_status values of the SCSI midlayer.
constexpr unsigned kDidOk = 0x00;
constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidBusBusy = 0x02;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDidBadTarget = 0x04;
constexpr unsigned kDidRequeue = 0x0D;
constexpr unsigned kDidImmRetry = 0x0C;
// driver_status values (low nibble).
constexpr unsigned kDriverOk = 0x00;
constexpr unsigned kDriverBusy = 0x01;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverSense = 0x08;

constexpr size_t kMaxSense = 255;  // mx_sb_len is one byte

double MonotonicMilliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

DWORD ErrorFromHost(unsigned hostStatus) {
  switch (hostStatus) {
    case kDidTimeOut:
      return ERROR_SEM_TIMEOUT;
    case kDidNoConnect:
    case kDidBadTarget:
      return ERROR_DEVICE_NOT_CONNECTED;
    case kDidBusBusy:
    case kDidRequeue:
    case kDidImmRetry:
      return ERROR_BUSY;
    default:
      return ERROR_IO_DEVICE;
  }
}

DWORD ErrorFromDriver(unsigned driverStatus) {
  switch (driverStatus) {
    case kDriverTimeout:
      return ERROR_SEM_TIMEOUT;
    case kDriverBusy:
      return ERROR_BUSY;
    default:
      return ERROR_IO_DEVICE;
  }
}

BOOL Send(LinuxSystem& system, int fd, const PassThroughRequest& request, LPDWORD returned,
          DWORD& error, PassThroughRecord& record) {
  CommandTrace& trace = record.trace;
  const double start = MonotonicMilliseconds();
  *returned = 0;
  auto fail = [&](DWORD code) {
    error = code;
    trace.delivered = false;
    trace.error = code;
    trace.milliseconds = MonotonicMilliseconds() - start;
    return FALSE;
  };
  PassThroughLimits limits;
  limits.maximumTransfer = request.maximumTransfer;  // beyond it the kernel would answer EIO
  PassThroughBlock block;
  const DWORD refusal = ParsePassThrough(request.direct, request.in, request.inSize, request.out,
                                         request.outSize, limits, block);
  std::memcpy(record.cdb, block.cdb, sizeof(record.cdb));
  if (block.read) {
    trace.cdb = record.cdb;
    trace.cdbLength = std::min<BYTE>(block.cdbLength, 16);
    trace.dataLength = block.dataLength;
    trace.direction = block.dataIn;
  }
  if (refusal != ERROR_SUCCESS) return fail(refusal);

  const std::uint64_t length = block.dataLength;
  const bool dataIn = block.dataIn == SCSI_IOCTL_DATA_IN;
  const bool dataOut = block.dataIn == SCSI_IOCTL_DATA_OUT;
  BYTE* data = block.data;
  if (data != nullptr && !block.direct && !dataIn && !dataOut && request.in != request.out) {
    // Both ways: the bytes sent go to the output copy the answer is written over.
    std::memmove(data, static_cast<const BYTE*>(request.in) + block.dataOffset, length);
  }

  BYTE sense[kMaxSense] = {};
  sg_io_hdr_t header;
  std::memset(&header, 0, sizeof(header));
  header.interface_id = 'S';
  header.dxfer_direction = length == 0 ? SG_DXFER_NONE
                           : dataIn    ? SG_DXFER_FROM_DEV
                           : dataOut   ? SG_DXFER_TO_DEV
                                       : SG_DXFER_TO_FROM_DEV;
  header.cmd_len = block.cdbLength;
  header.mx_sb_len = block.senseLength;
  header.dxfer_len = static_cast<unsigned>(length);
  header.dxferp = length > 0 ? data : nullptr;
  header.cmdp = block.cdb;
  header.sbp = sense;
  const std::uint64_t milliseconds = std::uint64_t{block.timeOutSeconds} * 1000u;
  header.timeout = static_cast<unsigned>(
      std::min<std::uint64_t>(milliseconds, std::numeric_limits<unsigned>::max()));

  const int result = system.Ioctl(fd, SG_IO, &header);
  if (result < 0) return fail(ErrorFromErrno(result));
  const unsigned hostStatus = header.host_status;
  const unsigned driverStatus = header.driver_status & 0x0F;
  if (hostStatus != kDidOk) return fail(ErrorFromHost(hostStatus));
  if (driverStatus != kDriverOk && driverStatus != kDriverSense) {
    return fail(ErrorFromDriver(driverStatus));
  }

  // Delivered: the target's status, its sense data and the amount moved go back.
  ULONG moved = block.dataLength;
  if (header.resid >= 0 && static_cast<std::uint64_t>(header.resid) <= length) {
    moved = static_cast<ULONG>(length - static_cast<std::uint64_t>(header.resid));
  }
  block.WriteBack(request.out, header.status, moved);
  const size_t senseWritten = std::min<size_t>(header.sb_len_wr, block.senseLength);
  if (block.senseLength > 0) {
    BYTE* senseOut = static_cast<BYTE*>(request.out) + block.senseOffset;
    std::memcpy(senseOut, sense, senseWritten);
    std::memset(senseOut + senseWritten, 0, block.senseLength - senseWritten);
  }
  *returned = static_cast<DWORD>(
      std::max<std::uint64_t>({sizeof(block.header), block.SenseEnd(), block.DataEnd()}));

  trace.delivered = true;
  trace.error = ERROR_SUCCESS;
  trace.scsiStatus = header.status;
  const scsi::Sense parsed = scsi::ParseSense(sense, senseWritten).sense;
  trace.senseKey = parsed.key;
  trace.asc = parsed.asc;
  trace.ascq = parsed.ascq;
  trace.milliseconds = MonotonicMilliseconds() - start;
  return TRUE;
}

}  // namespace

DWORD ErrorFromErrno(int negativeErrno) {
  switch (-negativeErrno) {
    case EPERM:
    case EACCES:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENXIO:
    case ENODEV:
      return ERROR_DEVICE_NOT_CONNECTED;
    case ETIMEDOUT:
      return ERROR_SEM_TIMEOUT;
    case EBUSY:
    case EAGAIN:
      return ERROR_BUSY;
    case ENOMEDIUM:
      return ERROR_NO_MEDIA_IN_DRIVE;
    case EINVAL:
    case EFAULT:
    case EOVERFLOW:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENOTTY:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case EIO:
      return ERROR_IO_DEVICE;
    default:
      return ERROR_GEN_FAILURE;
  }
}

BOOL SendPassThrough(LinuxSystem& system, int fd, const PassThroughRequest& request,
                     LPDWORD returned, DWORD& error, PassThroughRecord& record) {
  DWORD ignored = 0;
  if (returned == nullptr) returned = &ignored;
  return Send(system, fd, request, returned, error, record);
}

}  // namespace platform
