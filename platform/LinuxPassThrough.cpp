#include "platform/LinuxPassThrough.h"

#include <scsi/sg.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

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

// The parts of the two pass-through structures that differ only in the data field's type.
template <class Block>
struct Layout;
template <>
struct Layout<SCSI_PASS_THROUGH_DIRECT> {
  static ULONG_PTR Data(const SCSI_PASS_THROUGH_DIRECT& b) {
    return reinterpret_cast<ULONG_PTR>(b.DataBuffer);
  }
};
template <>
struct Layout<SCSI_PASS_THROUGH> {
  static ULONG_PTR Data(const SCSI_PASS_THROUGH& b) { return b.DataBufferOffset; }
};

template <class Block>
BOOL Send(LinuxSystem& system, int fd, const PassThroughRequest& request, LPDWORD returned,
          DWORD& error, PassThroughRecord& record) {
  CommandTrace& trace = record.trace;
  static_assert(sizeof(SCSI_PASS_THROUGH) == sizeof(SCSI_PASS_THROUGH_DIRECT));
  const double start = MonotonicMilliseconds();
  *returned = 0;
  auto fail = [&](DWORD code) {
    error = code;
    trace.delivered = false;
    trace.error = code;
    trace.milliseconds = MonotonicMilliseconds() - start;
    return FALSE;
  };
  if (request.in == nullptr || request.out == nullptr || request.inSize < sizeof(Block) ||
      request.outSize < sizeof(Block)) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  Block block;
  std::memcpy(&block, request.in, sizeof(block));
  std::memcpy(record.cdb, block.Cdb, sizeof(record.cdb));
  trace.cdb = record.cdb;
  trace.cdbLength = std::min<BYTE>(block.CdbLength, 16);
  trace.dataLength = block.DataTransferLength;
  trace.direction = block.DataIn;

  const std::uint64_t length = block.DataTransferLength;
  const bool dataIn = block.DataIn == SCSI_IOCTL_DATA_IN;
  const bool dataOut = block.DataIn == SCSI_IOCTL_DATA_OUT;
  if (block.Length != sizeof(Block) || block.CdbLength == 0 || block.CdbLength > 16 ||
      block.DataIn > SCSI_IOCTL_DATA_UNSPECIFIED) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  if (request.maximumTransfer && length > *request.maximumTransfer) {
    return fail(ERROR_INVALID_PARAMETER);  // the kernel would refuse it with EIO
  }
  const std::uint64_t senseEnd =
      static_cast<std::uint64_t>(block.SenseInfoOffset) + block.SenseInfoLength;
  if (block.SenseInfoLength > 0 &&
      (block.SenseInfoOffset < sizeof(Block) || senseEnd > request.outSize)) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  BYTE* data = nullptr;
  std::uint64_t dataEnd = 0;
  if (length > 0) {
    const ULONG_PTR where = Layout<Block>::Data(block);
    if (request.direct) {
      if (where == 0) return fail(ERROR_INVALID_PARAMETER);
      data = reinterpret_cast<BYTE*>(where);
    } else {
      dataEnd = static_cast<std::uint64_t>(where) + length;
      const std::uint64_t room = dataIn    ? request.outSize
                                 : dataOut ? request.inSize
                                           : std::min(request.inSize, request.outSize);
      if (where < sizeof(Block) || dataEnd > room) return fail(ERROR_INVALID_PARAMETER);
      data = static_cast<BYTE*>(dataIn ? request.out : request.in) + where;
      if (!dataIn && !dataOut && request.in != request.out) {
        std::memmove(static_cast<BYTE*>(request.out) + where, data, length);
        data = static_cast<BYTE*>(request.out) + where;
      }
    }
  }

  BYTE sense[kMaxSense] = {};
  sg_io_hdr_t header;
  std::memset(&header, 0, sizeof(header));
  header.interface_id = 'S';
  header.dxfer_direction = length == 0 ? SG_DXFER_NONE
                           : dataIn    ? SG_DXFER_FROM_DEV
                           : dataOut   ? SG_DXFER_TO_DEV
                                       : SG_DXFER_TO_FROM_DEV;
  header.cmd_len = block.CdbLength;
  header.mx_sb_len = block.SenseInfoLength;
  header.dxfer_len = static_cast<unsigned>(length);
  header.dxferp = length > 0 ? data : nullptr;
  header.cmdp = block.Cdb;
  header.sbp = sense;
  const std::uint64_t milliseconds = static_cast<std::uint64_t>(block.TimeOutValue) * 1000u;
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
  block.ScsiStatus = header.status;
  if (header.resid >= 0 && static_cast<std::uint64_t>(header.resid) <= length) {
    block.DataTransferLength =
        static_cast<ULONG>(length - static_cast<std::uint64_t>(header.resid));
  }
  std::memcpy(request.out, &block, sizeof(block));
  const size_t senseWritten = std::min<size_t>(header.sb_len_wr, block.SenseInfoLength);
  if (block.SenseInfoLength > 0) {
    BYTE* senseOut = static_cast<BYTE*>(request.out) + block.SenseInfoOffset;
    std::memcpy(senseOut, sense, senseWritten);
    std::memset(senseOut + senseWritten, 0, block.SenseInfoLength - senseWritten);
  }
  *returned = static_cast<DWORD>(
      std::max<std::uint64_t>({sizeof(Block), block.SenseInfoLength > 0 ? senseEnd : 0, dataEnd}));

  trace.delivered = true;
  trace.error = ERROR_SUCCESS;
  trace.scsiStatus = header.status;
  SenseTriple(sense, static_cast<DWORD>(senseWritten), trace.senseKey, trace.asc, trace.ascq);
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

void SenseTriple(const BYTE* sense, DWORD length, BYTE& key, BYTE& asc, BYTE& ascq) {
  key = asc = ascq = 0;
  if (sense == nullptr || length == 0) return;
  const BYTE code = sense[0] & 0x7F;
  if (code == 0x72 || code == 0x73) {  // descriptor format
    if (length > 1) key = sense[1] & 0x0F;
    if (length > 2) asc = sense[2];
    if (length > 3) ascq = sense[3];
  } else if (code == 0x70 || code == 0x71) {  // fixed format
    if (length > 2) key = sense[2] & 0x0F;
    if (length > 12) asc = sense[12];
    if (length > 13) ascq = sense[13];
  }
}

BOOL SendPassThrough(LinuxSystem& system, int fd, const PassThroughRequest& request,
                     LPDWORD returned, DWORD& error, PassThroughRecord& record) {
  DWORD ignored = 0;
  if (returned == nullptr) returned = &ignored;
  return request.direct
             ? Send<SCSI_PASS_THROUGH_DIRECT>(system, fd, request, returned, error, record)
             : Send<SCSI_PASS_THROUGH>(system, fd, request, returned, error, record);
}

}  // namespace platform
