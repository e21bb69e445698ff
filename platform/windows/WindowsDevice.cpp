#define VELMARK_SYSTEM_CALLS
#include "platform/windows/WindowsDevice.h"

#include <algorithm>
#include <cstring>

#include "scsi/Sense.h"

namespace platform {
namespace {

bool IsPassThrough(DWORD code) {
  return code == IOCTL_SCSI_PASS_THROUGH || code == IOCTL_SCSI_PASS_THROUGH_DIRECT;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) return 0;
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

// Key, ASC and ASCQ of the sense data in the returned block, in either format.
void SenseOf(const BYTE* block, DWORD size, const SCSI_PASS_THROUGH& header, CommandTrace& trace) {
  if (header.SenseInfoLength == 0 || header.SenseInfoOffset >= size) return;
  const DWORD length = std::min<DWORD>(header.SenseInfoLength, size - header.SenseInfoOffset);
  const scsi::Sense sense = scsi::ParseSense(block + header.SenseInfoOffset, length).sense;
  trace.senseKey = sense.key;
  trace.asc = sense.asc;
  trace.ascq = sense.ascq;
}

}  // namespace

WindowsDevice::WindowsDevice(std::string name, HANDLE handle,
                             std::function<void(const CommandTrace&)> report)
    : name_(std::move(name)), handle_(handle), report_(std::move(report)) {}

WindowsDevice::~WindowsDevice() {
  CloseHandle(handle_);
}

BOOL WindowsDevice::IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                              LPDWORD returned, DWORD& error) {
  // Both pass-through blocks share the header up to the CDB; the block is read before the
  // call (the CDB) and after it (status and sense), in the output buffer.
  const bool traced = IsPassThrough(code) && in != nullptr && inSize >= sizeof(SCSI_PASS_THROUGH);
  SCSI_PASS_THROUGH before{};
  if (traced) std::memcpy(&before, in, sizeof(before));

  LARGE_INTEGER start{}, end{};
  QueryPerformanceCounter(&start);
  const BOOL ok = DeviceIoControl(handle_, code, in, inSize, out, outSize, returned, nullptr);
  error = ok ? ERROR_SUCCESS : GetLastError();
  QueryPerformanceCounter(&end);

  if (traced && report_) {
    CommandTrace trace;
    BYTE cdb[16];
    std::memcpy(cdb, before.Cdb, sizeof(cdb));
    trace.device = name_.c_str();
    trace.cdb = cdb;
    trace.cdbLength = std::min<BYTE>(before.CdbLength, 16);
    trace.dataLength = before.DataTransferLength;
    trace.direction = before.DataIn;
    trace.delivered = ok != FALSE;
    trace.error = error;
    if (ok && out != nullptr && outSize >= sizeof(SCSI_PASS_THROUGH)) {
      SCSI_PASS_THROUGH after;
      std::memcpy(&after, out, sizeof(after));
      trace.scsiStatus = after.ScsiStatus;
      SenseOf(static_cast<const BYTE*>(out), outSize, after, trace);
    }
    trace.milliseconds = Milliseconds(start, end);
    report_(trace);
  }
  return ok;
}

}  // namespace platform
