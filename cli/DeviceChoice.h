// --device: the drive a user names the Linux way — /dev/srN, a link to one (/dev/cdrom),
// or the /dev/sgN of an optical drive — or by its drive letter (D:), as the simulated
// machine's drives are named. A name that leads to no drive is refused with its path and
// the reason: no such file, not a device, a device that is not an optical drive, permission
// denied, or no drive found behind it.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What the file system says of the node a name leads to.
struct NodeFacts {
  enum class Kind { Missing, Denied, Regular, Directory, BlockDevice, CharDevice, Other };
  Kind kind = Kind::Missing;
  unsigned major = 0, minor = 0;  // of a device
  bool readable = false;          // this user may open it for reading
  std::string group;              // the group that owns it
};
using NodeInspector = std::function<NodeFacts(const std::string& path)>;

// The facts of `path` on this machine (stat, access and the group database).
NodeFacts InspectNode(const std::string& path);

struct DeviceChoice {
  char letter = 0;    // the drive letter the name stands for
  std::string error;  // why it stands for none
};

// `root` prefixes /dev and /sys ("" on the machine itself). `sim`: letters and /dev/srN name
// the simulated machine's drives, and no file is looked at.
DeviceChoice ChooseDevice(const std::string& name, bool sim, const std::string& root = "",
                          const NodeInspector& inspect = InspectNode);

// The row of the drive list whose drive has `letter`, or -1; `letters` holds the letters
// of the rows in order.
int RowOfLetter(const std::vector<char>& letters, char letter);

// The row of the drive list (`letters`, in order) that --device `name` names, or -1 with
// `error` saying why there is none.
int RowOfDevice(const std::string& name, bool sim, const std::vector<char>& letters,
                const std::string& root, std::string& error);

// Why --drive `drive` names no row of a list of `rows`: "velmark-cli: there is no drive 99:
// the list has 5 (0 to 4)".
std::string DriveRowMissing(int drive, int rows);
