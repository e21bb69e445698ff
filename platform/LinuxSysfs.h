// What the Linux host reads from sysfs: the SCSI hosts, the devices on them, the address
// of each optical drive and its queue limits. Every path is taken below a root directory
// ("" on the real machine, a fake tree in tests).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ScsiDeviceAddress {
  int host = 0, channel = 0, target = 0, lun = 0;
  bool operator==(const ScsiDeviceAddress&) const = default;
};

// Parses "H:C:T:L"; nothing for any other text.
std::optional<ScsiDeviceAddress> ParseScsiDeviceAddress(const std::string& text);

// Parses a queue value: decimal digits only (no sign, no space), within unsigned long.
std::optional<unsigned long> ParseQueueValue(const std::string& text);

class LinuxSysfs {
 public:
  explicit LinuxSysfs(std::string root) : root_(std::move(root)) {}

  const std::string& root() const { return root_; }
  std::string Path(const std::string& absolute) const { return root_ + absolute; }

  // Host numbers of /sys/class/scsi_host/hostN, ascending.
  std::vector<int> Hosts() const;
  // Every /sys/class/scsi_device/H:C:T:L entry.
  std::vector<ScsiDeviceAddress> Devices() const;
  // Channels on a host: one more than its highest channel with a device; 0 without any.
  int ChannelCount(int host) const;

  // The address of /dev/srN from the link /sys/block/srN/device.
  std::optional<ScsiDeviceAddress> DriveAddress(int drive) const;
  // A number from /sys/block/srN/queue/<name> (dma_alignment, max_sectors_kb, ...).
  std::optional<unsigned long> QueueValue(int drive, const char* name) const;

 private:
  std::string root_;
};

}  // namespace platform
