#include "sim/SimDevice.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "sim/SimHost.h"

namespace sim {

namespace {

constexpr BYTE kCheckCondition = 0x02;
constexpr ULONG kLongestTimeOutSeconds = 30 * 60 * 60;

BOOL Fail(DWORD& error, DWORD code) {
  error = code;
  return FALSE;
}

}  // namespace

SimDevice::SimDevice(SimHost& host, std::string name, BYTE port)
    : host_(host), name_(std::move(name)), port_(port), records_(host.records()) {
  std::lock_guard lock(records_->mutex);
  ++records_->openDevices;
}

SimDevice::~SimDevice() {
  std::lock_guard lock(records_->mutex);
  --records_->openDevices;
}

BOOL SimDevice::IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                          LPDWORD returned, DWORD& error) {
  if (returned != nullptr) *returned = 0;
  error = ERROR_SUCCESS;
  if (!records_->recordCalls) return Answer(code, in, inSize, out, outSize, returned, error);

  SimRecords::PassThroughCall call{name_, code, {}, inSize, outSize, false, ERROR_SUCCESS};
  if (in != nullptr) {
    const BYTE* bytes = static_cast<const BYTE*>(in);
    call.in.assign(bytes, bytes + std::min(inSize, host_.profile().passThroughRecordBytes));
  }
  BOOL ok = Answer(code, in, inSize, out, outSize, returned, error);
  call.succeeded = ok != FALSE;
  call.error = ok ? ERROR_SUCCESS : error;
  std::lock_guard lock(records_->mutex);
  records_->passThroughCalls.push_back(std::move(call));
  return ok;
}

BOOL SimDevice::Capabilities(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error) {
  if (out == nullptr || outSize < sizeof(IO_SCSI_CAPABILITIES)) {
    return Fail(error, ERROR_INSUFFICIENT_BUFFER);
  }
  const PortProfile& port = host_.profile().ports[port_];
  IO_SCSI_CAPABILITIES capabilities{};
  capabilities.Length = sizeof(IO_SCSI_CAPABILITIES);
  capabilities.MaximumTransferLength = port.maximumTransferLength;
  capabilities.MaximumPhysicalPages = port.maximumTransferLength / 4096 + 1;
  capabilities.SupportedAsynchronousEvents = 0;
  capabilities.AlignmentMask = port.alignmentMask;
  std::memcpy(out, &capabilities, sizeof(capabilities));
  if (returned != nullptr) *returned = sizeof(capabilities);
  return TRUE;
}

BOOL SimDevice::PassThrough(bool direct, const ScsiAddress* fixed, LPVOID in, DWORD inSize,
                            LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error) {
  if (direct) {
    return RunBlock<SCSI_PASS_THROUGH_DIRECT>(true, fixed, in, inSize, out, outSize, returned,
                                              error);
  }
  return RunBlock<SCSI_PASS_THROUGH>(false, fixed, in, inSize, out, outSize, returned, error);
}

template <class Block>
BOOL SimDevice::RunBlock(bool direct, const ScsiAddress* fixed, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, LPDWORD returned, DWORD& error) {
  // --- the block's own checks: anything malformed is refused before the device is reached
  if (in == nullptr || out == nullptr || inSize < sizeof(Block) || outSize < sizeof(Block)) {
    return Fail(error, ERROR_INVALID_PARAMETER);
  }
  Block block;
  std::memcpy(&block, in, sizeof(Block));
  if (block.Length != sizeof(Block) || block.CdbLength == 0 ||
      block.CdbLength > sizeof(block.Cdb) || block.DataIn > SCSI_IOCTL_DATA_UNSPECIFIED ||
      block.TimeOutValue == 0 || block.TimeOutValue > kLongestTimeOutSeconds) {
    return Fail(error, ERROR_INVALID_PARAMETER);
  }
  if (block.SenseInfoLength != 0 &&
      (block.SenseInfoOffset < sizeof(Block) ||
       std::uint64_t{block.SenseInfoOffset} + block.SenseInfoLength > outSize)) {
    return Fail(error, ERROR_INVALID_PARAMETER);
  }
  const PortProfile& port = host_.profile().ports[port_];
  const DWORD length = block.DataTransferLength;
  if (length > port.maximumTransferLength) return Fail(error, ERROR_INVALID_PARAMETER);

  BYTE* data = nullptr;
  std::uint64_t bufferedOffset = 0;
  if constexpr (std::is_same_v<Block, SCSI_PASS_THROUGH_DIRECT>) {
    if (length != 0) {
      if (block.DataBuffer == nullptr ||
          (reinterpret_cast<std::uintptr_t>(block.DataBuffer) & port.alignmentMask) != 0) {
        return Fail(error, ERROR_INVALID_PARAMETER);
      }
      data = static_cast<BYTE*>(block.DataBuffer);
    }
  } else {
    if (length != 0) {
      bufferedOffset = block.DataBufferOffset;
      std::uint64_t limit = block.DataIn == SCSI_IOCTL_DATA_IN    ? outSize
                            : block.DataIn == SCSI_IOCTL_DATA_OUT ? inSize
                                                                  : std::min(inSize, outSize);
      if (bufferedOffset < sizeof(Block) || bufferedOffset + length > limit) {
        return Fail(error, ERROR_INVALID_PARAMETER);
      }
      BYTE* base = static_cast<BYTE*>(block.DataIn == SCSI_IOCTL_DATA_OUT ? in : out);
      data = base + bufferedOffset;
    }
  }
  ScsiAddress address =
      fixed != nullptr ? *fixed : ScsiAddress{port_, block.PathId, block.TargetId, block.Lun};
  // The system's copy of the caller's buffer: what comes back starts as what went in.
  if (in != out) std::memmove(out, in, std::min(inSize, outSize));

  // --- the command
  BYTE cdb[16];
  std::memcpy(cdb, block.Cdb, sizeof(cdb));
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = block.CdbLength;
  request.direction = length == 0                           ? DataDirection::None
                      : block.DataIn == SCSI_IOCTL_DATA_IN  ? DataDirection::In
                      : block.DataIn == SCSI_IOCTL_DATA_OUT ? DataDirection::Out
                                                            : DataDirection::None;
  request.data = data;
  request.dataLength = length;
  ScsiReply reply = host_.Dispatch(address, request);

  platform::CommandTrace trace;
  trace.device = name_.c_str();
  trace.cdb = cdb;
  trace.cdbLength = block.CdbLength;
  trace.dataLength = length;
  trace.direction = block.DataIn;
  trace.milliseconds = static_cast<double>(reply.serviceMicros) / 1000.0;

  SimClock& clock = host_.clock();
  const std::uint64_t limitMicros = std::uint64_t{block.TimeOutValue} * 1000000;
  DWORD failure = ERROR_SUCCESS;
  if (reply.serviceMicros > limitMicros) {
    // The port driver gives up once the time-out has passed (its timer ticks once a second).
    clock.Advance(limitMicros + std::uint64_t{host_.profile().passThroughTimeoutOverrunMs} * 1000);
    failure = ERROR_SEM_TIMEOUT;
  } else {
    clock.Advance(reply.serviceMicros);
    if (!reply.responded) {
      failure = ERROR_DEVICE_NOT_CONNECTED;
    } else if (reply.ioctlError != 0) {
      failure = reply.ioctlError;
    }
  }
  if (failure != ERROR_SUCCESS) {
    trace.delivered = false;
    trace.error = failure;
    host_.Trace(trace);
    return Fail(error, failure);
  }

  // --- the answer, written into the output block
  BYTE* output = static_cast<BYTE*>(out);
  block.ScsiStatus = reply.status;
  if (reply.transferred < block.DataTransferLength) block.DataTransferLength = reply.transferred;
  DWORD senseCopied = 0;
  if (reply.status == kCheckCondition && block.SenseInfoLength != 0) {
    senseCopied = std::min<DWORD>(block.SenseInfoLength, reply.senseLength);
    std::memcpy(output + block.SenseInfoOffset, reply.sense, senseCopied);
  }
  std::memcpy(output, &block, sizeof(Block));
  if (returned != nullptr) {
    std::uint64_t end = sizeof(Block);
    if (senseCopied != 0) end = std::max<std::uint64_t>(end, block.SenseInfoOffset + senseCopied);
    if (!direct && request.direction == DataDirection::In) {
      end = std::max<std::uint64_t>(end, bufferedOffset + reply.transferred);
    }
    *returned = static_cast<DWORD>(end);
  }

  trace.delivered = true;
  trace.scsiStatus = reply.status;
  if (reply.status == kCheckCondition && reply.senseLength >= 14) {
    trace.senseKey = reply.sense[2] & 0x0F;
    trace.asc = reply.sense[12];
    trace.ascq = reply.sense[13];
  }
  host_.Trace(trace);
  return TRUE;
}

}  // namespace sim
