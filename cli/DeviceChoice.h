// --device: the drive a user names the Linux way — /dev/srN, a link to one (/dev/cdrom),
// or the /dev/sgN of an optical drive — or by its drive letter (D:), as the simulated
// machine's drives are named.
#pragma once

#include <string>
#include <vector>

struct DeviceChoice {
  char letter = 0;    // the drive letter the name stands for
  std::string error;  // why it stands for none
};

// `root` prefixes /dev and /sys ("" on the machine itself). `sim`: only letters name drives.
DeviceChoice ChooseDevice(const std::string& name, bool sim, const std::string& root = "");

// The row of the drive list whose drive has `letter`, or -1; `letters` holds the letters
// of the rows in order.
int RowOfLetter(const std::vector<char>& letters, char letter);
