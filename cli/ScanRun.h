// The disc scan from the command line: the drive of the chosen row, ready, then the
// measurements asked for, in the order info, speeds, speed, curve, access, spin-up; the
// text report, and the JSON and CSV files.
#pragma once

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"

int RunScan(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);
