// The disc scan from the command line: the drive of the chosen row, ready, then the
// measurements asked for, in the order of the scan's step table; the text report, and the JSON and
// CSV files. Ctrl-C stops the step under way and skips the rest; what was measured is reported and
// the status is 1.
#pragma once

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"

int RunScan(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);
