// The demo machine's drives in words, made from the machine's own slots so that help texts
// and manual pages name exactly the drives the machine holds.
#pragma once

#include <string>

#include "sim/scsi/SimDriveConfig.h"
#include "sim/win32/DemoMachine.h"

namespace sim {

// "52x CAV, a data disc of 359775 blocks (79:57)": the drive's fastest data speed, its
// reading strategy and the disc it holds at power-on.
std::string DriveSummary(const SimDriveConfig& config);

// One line per drive of the demo machine, in the order of its drive list, each starting with
// `indent`: "D:  52x CAV, a data disc of 359775 blocks (79:57)\n".
std::string DemoDriveList(const std::string& indent, DemoProfile profile = DemoProfile::Default);

}  // namespace sim
