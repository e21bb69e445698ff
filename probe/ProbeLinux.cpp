#include <unistd.h>

#include "platform/LinuxHost.h"
#include "probe/ProbeMachine.h"

namespace probe {

const char* PassThroughText() {
  return "SCSI pass-through, carried by SG_IO";
}

std::string DeviceBehind(char letter) {
  return platform::LinuxHost::DriveNode(letter);
}

void ReportNoDrive(std::FILE* out, Aspi& aspi, const std::string& root) {
  (void)aspi;  // no ASPI library exists on this machine
  std::fprintf(out,
               "No drive found. Velmark reaches drives through /dev/sr0, /dev/sr1, ... (drive "
               "letters D:, E:, ...).\n");
  bool anyNode = false;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string node = platform::LinuxHost::DriveNode(letter);
    const std::string path = root + node;
    if (access(path.c_str(), F_OK) != 0) continue;
    anyNode = true;
    std::fprintf(out, "  %s exists; this user may %s it.\n", node.c_str(),
                 access(path.c_str(), R_OK) == 0 ? "read" : "NOT read");
  }
  if (!anyNode) std::fprintf(out, "  No /dev/sr* node exists on this machine.\n");
}

}  // namespace probe
