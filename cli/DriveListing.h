// --list: a row per drive — the drive list's row as the window shows it (first, so that
// what reads it keeps working), then the drive's device, whether it is ready and its disc.
#pragma once

#include <string>

#include "app/AspiVCL.h"

// What --list adds after the row text of `device`: "  /dev/sr0  ready  disc of 359775 blocks
// (79:57:00)". `sim`: the drive is the simulated machine's, named by its address. Asks the
// drive TEST UNIT READY and, when it is ready, for the disc's lead-out.
std::string DriveListDetails(AspiVCL& access, DeviceEntry& device, bool sim);
