// The steps every measurement from the command line shares: the drive the options name, the
// wait for it to become ready, numbers from the range options, and a file written by name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"

// Writes `text` to `path` ("-": standard output); false with a message when it cannot.
bool WriteFile(const std::string& path, const std::string& text, const CliOutput& output);

// The decimal number of an option's text; none when absent or not a number.
std::optional<std::int64_t> Number(const std::optional<std::string>& text);

// The row --drive or --device names, or -1 after saying why there is none.
int ChosenRow(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output,
              const std::function<void(const std::string&)>& error);

// The wait for the drive, asked on the drive session; the exit status when it ends the run.
std::optional<int> WaitForScanDrive(const CliOptions& options, AspiVCL& driveAccess,
                                    DeviceEntry& device, const std::function<bool()>& interrupted,
                                    const std::function<void(const std::string&)>& note,
                                    const std::function<void(const std::string&)>& error);

// The start every measurement shares: where its report goes (standard error when a file is
// written to standard output), how it speaks (errors unless the program is ending by a signal,
// notes unless quiet), the range options checked as numbers, the chosen drive named, and the
// wait for it. `device` is null when the run ends at once with `status`.
struct RunStart {
  std::FILE* report = nullptr;
  std::function<void(const std::string&)> error, note;
  std::function<bool()> interrupted, ended;
  int chosen = -1;  // the drive's row
  std::string row;  // its row of the drive list
  DeviceEntry* device = nullptr;
  int status = 0;
};
RunStart StartRun(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output);
