// The audio extraction check from the command line: the drive of the chosen row, ready, the
// check on the range the options give, the text report, and the JSON and CSV files. A check
// that cannot run (a data disc, a drive that reads no CD-DA) says why and ends with status 1.
#pragma once

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"

int RunAudioCheck(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);
