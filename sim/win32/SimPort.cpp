#include "sim/win32/SimPort.h"

#include <cstring>
#include <string>
#include <vector>

#include "sim/machine/SimMachine.h"

namespace sim {

SimPort::SimPort(SimMachine& machine, BYTE port)
    : SimDevice(machine, "SCSI" + std::to_string(port) + ":", port) {}

BOOL SimPort::Answer(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     LPDWORD returned, DWORD& error) {
  switch (code) {
    case IOCTL_SCSI_GET_INQUIRY_DATA:
      return InquiryData(out, outSize, returned, error);
    case IOCTL_SCSI_GET_CAPABILITIES:
      return Capabilities(out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH:
      return PassThrough(false, nullptr, in, inSize, out, outSize, returned, error);
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return PassThrough(true, nullptr, in, inSize, out, outSize, returned, error);
    default:
      error = kErrorInvalidFunction;
      return FALSE;
  }
}

// SCSI_ADAPTER_BUS_INFO with one SCSI_BUS_DATA per bus, then one SCSI_INQUIRY_DATA record
// per logical unit, chained bus by bus. The port keeps no INQUIRY answers of its own, so
// each record carries InquiryDataLength 0.
BOOL SimPort::InquiryData(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error) {
  const PortProfile& port = machine_.profile().ports[port_];
  std::vector<TargetSlot> targets = machine_.Targets();
  const std::size_t busData = offsetof(SCSI_ADAPTER_BUS_INFO, BusData);
  const std::size_t header = busData + sizeof(SCSI_BUS_DATA) * port.buses;
  const std::size_t record = sizeof(SCSI_INQUIRY_DATA);
  std::size_t units = 0;
  for (const TargetSlot& slot : targets) {
    if (slot.address.port == port_ && slot.address.bus < port.buses && slot.target) ++units;
  }
  const std::size_t needed = header + units * record;
  if (out == nullptr || outSize < needed) {
    error = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  BYTE* bytes = static_cast<BYTE*>(out);
  std::memset(bytes, 0, needed);
  bytes[0] = port.buses;
  std::size_t next = header;
  for (BYTE bus = 0; bus < port.buses; ++bus) {
    SCSI_BUS_DATA data{};
    data.InitiatorBusId = 7;
    std::size_t previous = 0;
    for (const TargetSlot& slot : targets) {
      if (slot.address.port != port_ || slot.address.bus != bus || !slot.target) continue;
      if (data.NumberOfLogicalUnits == 0) {
        data.InquiryDataOffset = static_cast<ULONG>(next);
      } else {
        ULONG link = static_cast<ULONG>(next);
        std::memcpy(bytes + previous + offsetof(SCSI_INQUIRY_DATA, NextInquiryDataOffset), &link,
                    sizeof(link));
      }
      SCSI_INQUIRY_DATA unit{};
      unit.PathId = slot.address.bus;
      unit.TargetId = slot.address.target;
      unit.Lun = slot.address.lun;
      unit.DeviceClaimed = 1;
      std::memcpy(bytes + next, &unit, sizeof(unit));
      previous = next;
      next += record;
      ++data.NumberOfLogicalUnits;
    }
    std::memcpy(bytes + busData + bus * sizeof(SCSI_BUS_DATA), &data, sizeof(data));
  }
  if (returned != nullptr) *returned = static_cast<DWORD>(needed);
  return TRUE;
}

}  // namespace sim
