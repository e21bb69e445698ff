// velmark-probe: builds the command transport on this machine and tells what it found —
// the path, the drives as the drive list shows them, the Linux device behind each and
// whether it is ready.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "transport/Aspi.h"

namespace probe {

struct ProbeOptions {
  bool help = false;
  bool trace = false;
  bool version = false;
  std::string error;  // a usage error, empty when the arguments were understood
};

ProbeOptions ParseArguments(const std::vector<std::string>& arguments);

// The usage text of --help.
std::string HelpText();

// A drive-list row: "E: [1,0]  " then vendor (8), two spaces, product (16), two spaces,
// revision (4), each as the drive gave it; vendor and product end at a zero byte.
std::string DriveRowText(const DeviceEntry& entry);

// "SPTI ..." or "ASPI ..." for the path the transport chose.
std::string PathText(const Aspi& aspi);

// Prints the report for a transport built on the installed host; returns the exit status
// (0 when at least one drive was found). `root` prefixes the /dev paths it checks when no
// drive was found ("" on the machine).
int Report(Aspi& aspi, std::FILE* out, const std::string& root = "");

}  // namespace probe
