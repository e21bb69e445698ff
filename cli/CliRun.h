// The command-line front: the main window driven headless — wait for the drive, fill the
// fields, click Start, follow the report.
#pragma once

#include <cstdio>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitResultsIgnored = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoDrive = 3;

struct CliOutput {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool colour = false;        // escape sequences on `out`
  bool liveProgress = false;  // the status bar redrawn in place on `err`
};

// Runs the window on `driveAccess` (built on the installed host) as `options` say.
int RunCli(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);
