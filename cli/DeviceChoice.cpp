#include "cli/DeviceChoice.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include "platform/LinuxHost.h"

namespace {

namespace fs = std::filesystem;

// The kernel's device numbers of optical drives: sr block devices and sg character devices.
constexpr unsigned kOpticalBlockMajor = 11;
constexpr unsigned kGenericCharMajor = 21;
constexpr unsigned kLoopBlockMajor = 7;

// "D", "d", "D:" and "d:".
bool IsLetter(const std::string& name) {
  return (name.size() == 1 || (name.size() == 2 && name[1] == ':')) &&
         std::isalpha(static_cast<unsigned char>(name[0]));
}

char LetterOfNode(const std::string& node) {
#ifndef _WIN32
  for (char letter = 'D'; letter <= 'Z'; ++letter)
    if (platform::LinuxHost::DriveNode(letter) == node) return letter;
#else
  (void)node;  // Windows names its drives by letter only
#endif
  return 0;
}

std::string NodeOfLetter(char letter) {
#ifndef _WIN32
  return platform::LinuxHost::DriveNode(letter);
#else
  (void)letter;
  return "";
#endif
}

// The optical drive's /dev/srN behind /dev/sgN, or "" when the sg device is none.
std::string OpticalNodeOfGeneric(const std::string& root, const std::string& sg) {
  std::error_code error;
  const fs::path blocks = root + "/sys/class/scsi_generic/" + sg + "/device/block";
  for (const auto& entry : fs::directory_iterator(blocks, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("sr", 0) == 0) return "/dev/" + name;
  }
  return "";
}

// The kernel's name of a device ("null", "loop0", "sda"), or its numbers when sysfs has none.
std::string KernelName(const std::string& root, const NodeFacts& facts) {
  const std::string number = std::to_string(facts.major) + ":" + std::to_string(facts.minor);
  const std::string kind = facts.kind == NodeFacts::Kind::BlockDevice ? "block" : "char";
  std::error_code error;
  const fs::path target = fs::canonical(root + "/sys/dev/" + kind + "/" + number, error);
  return error ? number : target.filename().string();
}

// Why a device that is not an optical drive is none, as "a ... device (name)".
std::string NotOptical(const std::string& root, const NodeFacts& facts) {
  const std::string name = KernelName(root, facts);
  if (facts.kind == NodeFacts::Kind::CharDevice) {
    if (facts.major == kGenericCharMajor)
      return "a SCSI generic device (" + name + ") of something that is not an optical drive";
    return "a character device (" + name + "), not an optical drive";
  }
  if (facts.major == kLoopBlockMajor) return "a loop device (" + name + "), not an optical drive";
  return "a block device (" + name + ", a disk or the like), not an optical drive";
}

std::string PermissionText(const NodeFacts& facts) {
  const std::string group = facts.group.empty() ? "cdrom" : facts.group;
  return "permission denied: reading it needs membership of its group " + group +
         " (sudo usermod -aG " + group + " $USER, then log in again)";
}

// The letter of the optical drive at `node` (below `root`), or the reason there is none.
DeviceChoice ChooseNode(const std::string& name, const std::string& root,
                        const NodeInspector& inspect) {
  DeviceChoice choice;
  const std::string who = "--device " + name;
  std::error_code error;
  const fs::path real = fs::canonical(root + name, error);
  if (error) {
    choice.error = who + ": " +
                   (error.value() == ENOENT   ? std::string("no such file")
                    : error.value() == EACCES ? std::string("permission denied")
                                              : error.message());
    return choice;
  }
  const std::string resolved = real.string().substr(root.size());
  const std::string at = resolved == name ? who : who + " (" + resolved + ")";
  const NodeFacts facts = inspect(real.string());
  std::string node;
  switch (facts.kind) {
    case NodeFacts::Kind::Missing:
      choice.error = at + ": no such file";
      return choice;
    case NodeFacts::Kind::Denied:
      choice.error = at + ": permission denied";
      return choice;
    case NodeFacts::Kind::Regular:
      choice.error = at + ": a regular file, not a device";
      return choice;
    case NodeFacts::Kind::Directory:
      choice.error = at + ": a directory, not a device";
      return choice;
    case NodeFacts::Kind::Other:
      choice.error = at + ": not a device (a FIFO or socket)";
      return choice;
    case NodeFacts::Kind::BlockDevice:
      if (facts.major == kOpticalBlockMajor) node = "/dev/sr" + std::to_string(facts.minor);
      break;
    case NodeFacts::Kind::CharDevice:
      if (facts.major == kGenericCharMajor)
        node = OpticalNodeOfGeneric(root, "sg" + std::to_string(facts.minor));
      break;
  }
  if (node.empty()) {
    choice.error = at + ": " + NotOptical(root, facts);
    return choice;
  }
  choice.letter = LetterOfNode(node);
  if (choice.letter == 0) {
    choice.error = at + ": " + node + " is an optical drive Velmark cannot name (D: to Z:)";
    return choice;
  }
  // The drive is read through its /dev/srN; a generic device's own access does not matter.
  const NodeFacts drive = facts.kind == NodeFacts::Kind::BlockDevice ? facts : inspect(root + node);
  if (drive.kind != NodeFacts::Kind::Missing && !drive.readable)
    choice.error = at + ": " + PermissionText(drive);
  if (!choice.error.empty()) choice.letter = 0;
  return choice;
}

}  // namespace

NodeFacts InspectNode(const std::string& path) {
  NodeFacts facts;
#ifndef _WIN32
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    facts.kind = errno == EACCES ? NodeFacts::Kind::Denied : NodeFacts::Kind::Missing;
    return facts;
  }
  facts.kind = S_ISREG(info.st_mode)   ? NodeFacts::Kind::Regular
               : S_ISDIR(info.st_mode) ? NodeFacts::Kind::Directory
               : S_ISBLK(info.st_mode) ? NodeFacts::Kind::BlockDevice
               : S_ISCHR(info.st_mode) ? NodeFacts::Kind::CharDevice
                                       : NodeFacts::Kind::Other;
  facts.major = major(info.st_rdev);
  facts.minor = minor(info.st_rdev);
  facts.readable = access(path.c_str(), R_OK) == 0;
  if (const group* owner = getgrgid(info.st_gid); owner != nullptr) facts.group = owner->gr_name;
#else
  (void)path;
#endif
  return facts;
}

DeviceChoice ChooseDevice(const std::string& name, bool sim, const std::string& root,
                          const NodeInspector& inspect) {
  DeviceChoice choice;
  if (IsLetter(name)) {
    choice.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return choice;
  }
  if (sim) {  // the simulated drives have no files: /dev/srN stands for its letter
    choice.letter = LetterOfNode(name);
    if (choice.letter == 0)
      choice.error = "--device " + name +
                     ": the simulated machine's drives are named by their letters (D:) or "
                     "/dev/srN (/dev/sr0 for D:)";
    return choice;
  }
  return ChooseNode(name, root, inspect);
}

int RowOfLetter(const std::vector<char>& letters, char letter) {
  for (size_t i = 0; i < letters.size(); ++i)
    if (letters[i] == letter) return static_cast<int>(i);
  return -1;
}

int RowOfDevice(const std::string& name, bool sim, const std::vector<char>& letters,
                const std::string& root, std::string& error) {
  const DeviceChoice choice = ChooseDevice(name, sim, root);
  if (!choice.error.empty()) {
    error = choice.error;
    return -1;
  }
  const int row = RowOfLetter(letters, choice.letter);
  if (row >= 0) return row;
  const std::string node = NodeOfLetter(choice.letter);
  std::string named = "--device " + name;
  if (IsLetter(name) && !node.empty()) named += " (" + node + ")";
  if (!IsLetter(name)) named += std::string(" (") + choice.letter + ":)";
  if (sim) {
    std::string drives;
    if (!letters.empty()) {
      drives = std::string(1, letters.front()) + ":";
      if (letters.size() > 1) drives += std::string(" to ") + letters.back() + ":";
      const std::string first = NodeOfLetter(letters.front()), last = NodeOfLetter(letters.back());
      if (!first.empty()) drives += " (" + first + (letters.size() > 1 ? " to " + last : "") + ")";
    }
    error = named + ": the simulated machine has no such drive; its drives are " + drives;
  } else {
    error = named +
            ": no drive answers there (velmark-probe tells why; --list shows the "
            "drives found)";
  }
  return -1;
}

std::string DriveRowMissing(int drive, int rows) {
  std::string text = "velmark-cli: there is no drive " + std::to_string(drive) + ": the list has " +
                     std::to_string(rows);
  if (rows == 1) text += " (0)";
  if (rows > 1) text += " (0 to " + std::to_string(rows - 1) + ")";
  return text;
}
