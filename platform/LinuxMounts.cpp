#include "platform/LinuxMounts.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace platform {
namespace {

// The table's fields escape blanks and backslashes as octal (\040).
std::string Unescaped(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string octal = field.substr(i + 1, 3);
      if (octal.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::stoi(octal, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool SameDevice(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && S_ISBLK(sa.st_mode) &&
      S_ISBLK(sb.st_mode))
    return sa.st_rdev == sb.st_rdev;
  return a == b;
}

}  // namespace

std::string MountPointOf(const std::string& deviceNode, const std::string& mountTable) {
  if (deviceNode.empty()) return {};
  std::ifstream table(mountTable);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint;
    if (!(fields >> device >> mountPoint)) continue;
    if (device.empty() || device[0] != '/') continue;  // proc, tmpfs, overlay …
    if (SameDevice(Unescaped(device), deviceNode)) return Unescaped(mountPoint);
  }
  return {};
}

std::string MountedDiscNote(const std::string& deviceNode, const std::string& mountTable) {
  const std::string mountPoint = MountPointOf(deviceNode, mountTable);
  if (mountPoint.empty()) return {};
  return "Note: the disc in " + deviceNode + " is mounted on " + mountPoint +
         "; the run changes the drive's settings (block length, rotation) while it reads and "
         "puts them back when it ends.";
}

}  // namespace platform
