// The command-line front: the main window driven headless — wait for the drive, fill the
// fields, click Start, follow the report.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"

struct CliOutput {
  std::FILE* out = stdout;            // the report and every line that describes the test
  std::FILE* err = stderr;            // progress and diagnostics
  bool colour = false;                // escape sequences on `out`
  bool liveProgress = false;          // the progress line drawn in place on `err`
  bool quiet = false;                 // nothing on `err` but errors
  std::function<bool()> interrupted;  // whether the user pressed Ctrl-C (may be empty)
  std::string devRoot;                // prefix of /dev and /sys for --device ("" here)
  std::string mountTable = "/proc/self/mounts";  // where mounted discs are looked up
  std::FILE* json = nullptr;                     // a stream the result record goes to as JSON
  std::string jsonPath;                          // a file the record replaces once the test has run
  // Whether the run is being ended from outside (SIGTERM, SIGHUP, a closed pipe): the drive
  // is put back and nothing more is written (may be empty).
  std::function<bool()> ended;
};

// Runs the window on `driveAccess` (built on the installed host) as `options` say. The
// range fields must have passed CheckFields.
int RunCli(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);

// What the user is told before a run changes the state of a drive whose disc is mounted;
// empty when it is not (and on the simulated machine, whose drives have no device node).
std::string MountedDiscNote(const DeviceEntry& device, const CliOutput& output);
