#include "sim/win32/SimDevice.h"

#include <algorithm>
#include <cstring>

#include "platform/PassThroughBlock.h"
#include "scsi/Sense.h"
#include "scsi/Status.h"
#include "sim/machine/SimMachine.h"

namespace sim {

namespace {

constexpr ULONG kLongestTimeOutSeconds = 30 * 60 * 60;

BOOL Fail(DWORD& error, DWORD code) {
  error = code;
  return FALSE;
}

}  // namespace

SimDevice::SimDevice(SimMachine& machine, std::string name, BYTE port)
    : machine_(machine), name_(std::move(name)), port_(port), records_(machine.records()) {
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
    call.in.assign(bytes, bytes + std::min(inSize, machine_.profile().passThroughRecordBytes));
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
  const PortProfile& port = machine_.profile().ports[port_];
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
  return RunBlock(direct, fixed, in, inSize, out, outSize, returned, error);
}

BOOL SimDevice::RunBlock(bool direct, const ScsiAddress* fixed, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, LPDWORD returned, DWORD& error) {
  // --- the block's own checks: anything malformed is refused before the device is reached
  const PortProfile& port = machine_.profile().ports[port_];
  platform::PassThroughLimits limits;
  limits.maximumTransfer = port.maximumTransferLength;
  limits.alignmentMask = port.alignmentMask;
  limits.longestTimeOut = kLongestTimeOutSeconds;
  platform::PassThroughBlock block;
  const DWORD refusal = platform::ParsePassThrough(direct, in, inSize, out, outSize, limits, block);
  if (refusal != ERROR_SUCCESS) return Fail(error, refusal);
  const DWORD length = block.dataLength;
  BYTE* data = block.data;
  ScsiAddress address =
      fixed != nullptr ? *fixed : ScsiAddress{port_, block.PathId, block.TargetId, block.Lun};
  // The system's copy of the caller's buffer: what comes back starts as what went in.
  if (in != out) std::memmove(out, in, std::min(inSize, outSize));

  // --- the command
  BYTE* cdb = block.cdb;
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = block.cdbLength;
  request.direction = length == 0                           ? DataDirection::None
                      : block.dataIn == SCSI_IOCTL_DATA_IN  ? DataDirection::In
                      : block.dataIn == SCSI_IOCTL_DATA_OUT ? DataDirection::Out
                                                            : DataDirection::None;
  request.data = data;
  request.dataLength = length;
  ScsiReply reply = machine_.Dispatch(address, request);

  platform::CommandTrace trace;
  trace.device = name_.c_str();
  trace.cdb = cdb;
  trace.cdbLength = block.cdbLength;
  trace.dataLength = length;
  trace.direction = block.dataIn;
  trace.milliseconds = static_cast<double>(reply.serviceMicros) / 1000.0;

  SimClock& clock = machine_.clock();
  const std::uint64_t limitMicros = std::uint64_t{block.timeOutSeconds} * 1000000;
  DWORD failure = ERROR_SUCCESS;
  if (reply.serviceMicros > limitMicros) {
    // The port driver gives up once the time-out has passed (its timer ticks once a second).
    clock.Advance(limitMicros +
                  std::uint64_t{machine_.profile().passThroughTimeoutOverrunMs} * 1000);
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
    machine_.Trace(trace);
    return Fail(error, failure);
  }

  // --- the answer, written into the output block
  BYTE* output = static_cast<BYTE*>(out);
  DWORD senseCopied = 0;
  if (reply.status == scsi::status::kCheckCondition && block.senseLength != 0) {
    senseCopied = std::min<DWORD>(block.senseLength, reply.senseLength);
    std::memcpy(output + block.senseOffset, reply.sense, senseCopied);
  }
  block.WriteBack(out, reply.status, std::min<ULONG>(reply.transferred, block.dataLength));
  if (returned != nullptr) {
    std::uint64_t end = sizeof(block.header);
    if (senseCopied != 0) end = std::max<std::uint64_t>(end, block.senseOffset + senseCopied);
    if (!direct && request.direction == DataDirection::In) {
      end = std::max<std::uint64_t>(end, block.dataOffset + reply.transferred);
    }
    *returned = static_cast<DWORD>(end);
  }

  trace.delivered = true;
  trace.scsiStatus = reply.status;
  if (reply.status == scsi::status::kCheckCondition) {
    const scsi::Sense sense = scsi::ParseSense(reply.sense, reply.senseLength).sense;
    trace.senseKey = sense.key;
    trace.asc = sense.asc;
    trace.ascq = sense.ascq;
  }
  machine_.Trace(trace);
  return TRUE;
}

}  // namespace sim
