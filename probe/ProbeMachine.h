// What velmark-probe says about the machine it runs on: how the pass-through is carried,
// which device stands behind a drive letter, and where to look when no drive was found.
#pragma once

#include <cstdio>
#include <string>

#include "transport/Aspi.h"

namespace probe {

// The paragraph of the help that tells where drives are found and what access they need.
const char* MachineHelpText();

// The carrier of the SCSI pass-through on this machine, for the path line.
const char* PassThroughText();

// The device behind a drive letter ("/dev/sr0" for D: on Linux), or "".
std::string DeviceBehind(char letter);

// The lines after "No drive found": the names Velmark tries, what this machine has and
// what the transport was told. `root` prefixes the paths it checks ("" on the machine).
void ReportNoDrive(std::FILE* out, Aspi& aspi, const std::string& root);

}  // namespace probe
