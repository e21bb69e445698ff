#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/LinuxHost.h"
#include "probe/ProbeMachine.h"

namespace probe {
namespace {

// Why a device node that exists gave no drive.
std::string NodeVerdict(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return std::string("it cannot be looked at: ") + strerror(errno);
  if (!S_ISBLK(info.st_mode) && !S_ISCHR(info.st_mode))
    return std::string("it is not a device node (") +
           (S_ISREG(info.st_mode)   ? "a regular file"
            : S_ISDIR(info.st_mode) ? "a directory"
                                    : "a FIFO or socket") +
           ").";
  if (access(path.c_str(), R_OK) != 0) {
    const group* owner = getgrgid(info.st_gid);
    return "this user may NOT read it: reading needs membership of the group that owns it (" +
           std::string(owner != nullptr ? owner->gr_name : "usually cdrom") + ").";
  }
  // Opened as the drive list opens it: a node without a drive behind it says so.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENXIO)
      return "no such device (ENXIO): the node exists but no drive answers behind it.";
    return std::string("it cannot be opened: ") + strerror(errno) + ".";
  }
  close(fd);
  return "this user may read it, but it did not answer as an optical drive (no answer to "
         "INQUIRY, or not a CD/DVD device).";
}

}  // namespace

const char* MachineHelpText() {
  return "Velmark finds optical drives at /dev/sr0, /dev/sr1, ... and names them D:, E:, ...\n"
         "Reading a drive needs read access to its /dev/sr* node; setting its speed (SET CD\n"
         "SPEED) and its block length (MODE SELECT) need write access, which membership of\n"
         "the group that owns the node (usually \"cdrom\") gives.\n";
}

const char* PassThroughText() {
  return "SCSI pass-through, carried by SG_IO on /dev/sr*";
}

std::string DeviceBehind(char letter) {
  return platform::LinuxHost::DriveNode(letter);
}

void ReportNoDrive(std::FILE* out, Aspi& aspi, const std::string& root) {
  (void)aspi;  // no ASPI library exists on this machine
  std::fprintf(out,
               "No drive found. Velmark looks for optical drives at /dev/sr0, /dev/sr1, ... "
               "(its drive letters D:, E:, ...).\n");
  bool anyNode = false;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string node = platform::LinuxHost::DriveNode(letter);
    const std::string path = root + node;
    if (access(path.c_str(), F_OK) != 0) continue;
    anyNode = true;
    std::fprintf(out, "  %s exists; %s\n", node.c_str(), NodeVerdict(path).c_str());
  }
  if (!anyNode)
    std::fprintf(out,
                 "  No /dev/sr* node exists: the kernel has found no optical drive (none is "
                 "attached, or the sr_mod module is not loaded).\n");
}

}  // namespace probe
