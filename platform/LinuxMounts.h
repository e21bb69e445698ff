// Whether a drive's disc is mounted: a file system the kernel reads through the same device.
// Read from a mount table in the format of /proc/self/mounts (device, mount point, …).
#pragma once

#include <string>

namespace platform {

// The mount point of the first entry of `mountTable` whose device is `deviceNode` (the same
// device number, or the same path when either cannot be looked at); empty when none is.
std::string MountPointOf(const std::string& deviceNode,
                         const std::string& mountTable = "/proc/self/mounts");

// What the user is told before a run changes the state of a drive whose disc is mounted;
// empty when it is not.
std::string MountedDiscNote(const std::string& deviceNode,
                            const std::string& mountTable = "/proc/self/mounts");

}  // namespace platform
