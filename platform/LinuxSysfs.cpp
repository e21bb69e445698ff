#include "platform/LinuxSysfs.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;

namespace {

bool ParseNumber(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::optional<ScsiDeviceAddress> ParseScsiDeviceAddress(const std::string& text) {
  int parts[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    size_t end = i < 3 ? text.find(':', start) : text.size();
    if (end == std::string::npos) return std::nullopt;
    if (!ParseNumber(text.substr(start, end - start), parts[i])) return std::nullopt;
    start = end + 1;
  }
  return ScsiDeviceAddress{parts[0], parts[1], parts[2], parts[3]};
}

std::vector<int> LinuxSysfs::Hosts() const {
  std::vector<int> hosts;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(Path("/sys/class/scsi_host"), error)) {
    const std::string name = entry.path().filename().string();
    int number;
    if (name.rfind("host", 0) == 0 && ParseNumber(name.substr(4), number)) {
      hosts.push_back(number);
    }
  }
  std::sort(hosts.begin(), hosts.end());
  return hosts;
}

std::vector<ScsiDeviceAddress> LinuxSysfs::Devices() const {
  std::vector<ScsiDeviceAddress> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(Path("/sys/class/scsi_device"), error)) {
    if (auto address = ParseScsiDeviceAddress(entry.path().filename().string())) {
      devices.push_back(*address);
    }
  }
  return devices;
}

int LinuxSysfs::ChannelCount(int host) const {
  int count = 0;
  for (const ScsiDeviceAddress& device : Devices()) {
    if (device.host == host) count = std::max(count, device.channel + 1);
  }
  return count;
}

std::optional<ScsiDeviceAddress> LinuxSysfs::DriveAddress(int drive) const {
  const fs::path link = Path("/sys/block/sr" + std::to_string(drive) + "/device");
  std::error_code error;
  fs::path target = fs::read_symlink(link, error);
  if (error) {
    target = fs::canonical(link, error);
    if (error) return std::nullopt;
  }
  return ParseScsiDeviceAddress(target.filename().string());
}

std::optional<unsigned long> LinuxSysfs::QueueValue(int drive, const char* name) const {
  std::ifstream file(Path("/sys/block/sr" + std::to_string(drive) + "/queue/" + name));
  std::string text;
  if (!file || !(file >> text)) return std::nullopt;
  return ParseQueueValue(text);
}

std::optional<unsigned long> ParseQueueValue(const std::string& text) {
  if (text.empty()) return std::nullopt;
  unsigned long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;  // a "-1" is no queue value
    const unsigned long digit = static_cast<unsigned long>(c - '0');
    if (value > (std::numeric_limits<unsigned long>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace platform
