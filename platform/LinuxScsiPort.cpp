#include "platform/LinuxScsiPort.h"

#include <cstring>

namespace platform {

BOOL LinuxScsiPort::IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                              LPDWORD returned, DWORD& error) {
  (void)in;
  (void)inSize;
  *returned = 0;
  if (code != IOCTL_SCSI_GET_INQUIRY_DATA) {
    error = ERROR_NOT_SUPPORTED;
    return FALSE;
  }
  // NumberOfBuses, then one SCSI_BUS_DATA per bus; no inquiry records follow (every
  // InquiryDataOffset is 0: the drives are asked themselves).
  const int buses = sysfs_.ChannelCount(host_);
  const size_t busDataAt = offsetof(SCSI_ADAPTER_BUS_INFO, BusData);
  const size_t needed = busDataAt + sizeof(SCSI_BUS_DATA) * static_cast<size_t>(buses);
  if (out == nullptr || outSize < needed || outSize < sizeof(SCSI_ADAPTER_BUS_INFO)) {
    error = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  auto* bytes = static_cast<BYTE*>(out);
  std::memset(bytes, 0, needed);
  bytes[0] = static_cast<UCHAR>(buses);
  const auto devices = sysfs_.Devices();
  for (int bus = 0; bus < buses; ++bus) {
    SCSI_BUS_DATA data{};
    for (const ScsiDeviceAddress& device : devices) {
      if (device.host == host_ && device.channel == bus) ++data.NumberOfLogicalUnits;
    }
    data.InitiatorBusId = 0xFF;  // not known on this machine
    data.InquiryDataOffset = 0;
    std::memcpy(bytes + busDataAt + sizeof(SCSI_BUS_DATA) * static_cast<size_t>(bus), &data,
                sizeof(data));
  }
  *returned = static_cast<DWORD>(std::max(needed, sizeof(SCSI_ADAPTER_BUS_INFO)));
  return TRUE;
}

}  // namespace platform
