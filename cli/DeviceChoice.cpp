#include "cli/DeviceChoice.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/LinuxHost.h"

namespace {

namespace fs = std::filesystem;

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

}  // namespace

DeviceChoice ChooseDevice(const std::string& name, bool sim, const std::string& root) {
  DeviceChoice choice;
  if (IsLetter(name)) {
    choice.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return choice;
  }
  if (sim) {
    choice.error =
        "--device " + name + ": the simulated machine's drives are named by their letters (D:, E:)";
    return choice;
  }
  std::error_code error;
  const fs::path real = fs::canonical(root + name, error);
  if (error) {
    choice.error = "--device " + name + ": " + error.message();
    return choice;
  }
  std::string node = real.string().substr(root.size());
  const std::string file = real.filename().string();
  if (node.rfind("/dev/sg", 0) == 0) {
    const std::string optical = OpticalNodeOfGeneric(root, file);
    if (optical.empty()) {
      choice.error = "--device " + name + ": " + node + " is not an optical drive";
      return choice;
    }
    node = optical;
  }
  choice.letter = LetterOfNode(node);
  if (choice.letter == 0)
    choice.error = "--device " + name + ": " + node +
                   " is not an optical drive (Velmark reads /dev/sr0, /dev/sr1, ..., the "
                   "links to them such as /dev/cdrom, and the /dev/sg* of optical drives)";
  return choice;
}

int RowOfLetter(const std::vector<char>& letters, char letter) {
  for (size_t i = 0; i < letters.size(); ++i)
    if (letters[i] == letter) return static_cast<int>(i);
  return -1;
}
