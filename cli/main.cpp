// velmark-cli: the Velmark window's speed test from the command line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VelmarkVersion.h"
#include "app/AspiVCL.h"
#include "cli/AudioCheckRun.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/CompareRun.h"
#include "cli/FieldCheck.h"
#include "cli/Interrupt.h"
#include "cli/OutputCheck.h"
#include "cli/ScanRun.h"
#include "platform/CommandTracePrinter.h"
#include "platform/Host.h"
#include "sim/win32/DemoMachine.h"
#include "sim/win32/DemoMachineText.h"

namespace {

// The speed test or the scan, as the options say; the program's exit status.
int Run(const CliOptions& options) {
  // The disc scan writes its own files, by name, once it has measured.
  if ((options.Scan() || options.audioCheck) && !options.list) {
    static std::unique_ptr<sim::DemoMachine> scanMachine;
    if (options.sim)
      scanMachine = std::make_unique<sim::DemoMachine>(
          options.realTime ? sim::ClockMode::RealTime : sim::ClockMode::Virtual,
          false,  // a long scan keeps no copy of every command
          *sim::DemoProfileNamed(options.simProfile));
    static platform::CommandTracePrinter scanTrace(stderr);
    if (options.trace) platform::CurrentHost().SetCommandObserver(&scanTrace);
    static AspiVCL scanAccess;
    CliOutput output;
    // Only the surface scan draws a progress line, on a terminal.
    output.liveProgress = isatty(fileno(stderr)) != 0 && !options.trace && !options.quiet;
    output.quiet = options.quiet;
    InterruptCatcher interrupts;  // Ctrl-C stops the scan's step under way
    output.interrupted = &InterruptCatcher::Requested;
    output.ended = &InterruptCatcher::Ended;
    const int status = options.audioCheck ? RunAudioCheck(options, scanAccess, output)
                                          : RunScan(options, scanAccess, output);
    platform::CurrentHost().SetCommandObserver(nullptr);
    return status;
  }

  // --json: the path was judged before; the record replaces what stood there only once the
  // test has run. With "-" the JSON has standard output to itself.
  const bool jsonOnStdout = options.json && *options.json == "-";

  // The machine is chosen before the drive-access object exists: both live to the end of
  // the program and go in reverse order at static finalisation.
  static std::unique_ptr<sim::DemoMachine> machine;
  // The programs' machine keeps no copy of the commands it answers: a long test or scan holds
  // bounded memory.
  if (options.sim)
    machine = std::make_unique<sim::DemoMachine>(
        options.realTime ? sim::ClockMode::RealTime : sim::ClockMode::Virtual, false,
        *sim::DemoProfileNamed(options.simProfile));
  static platform::CommandTracePrinter tracePrinter(stderr);
  if (options.trace) platform::CurrentHost().SetCommandObserver(&tracePrinter);

  static AspiVCL driveAccess;

  CliOutput output;
  output.out = jsonOnStdout ? stderr : stdout;
  output.json = jsonOnStdout ? stdout : nullptr;
  if (options.json && !jsonOnStdout) output.jsonPath = *options.json;
  output.ended = &InterruptCatcher::Ended;
  const bool outTerminal = isatty(fileno(output.out)) != 0;
  output.colour = ColourWanted(options.colour, outTerminal, std::getenv("NO_COLOR"));
  output.liveProgress = isatty(fileno(stderr)) != 0 && !options.trace && !options.quiet;
  output.quiet = options.quiet;
  InterruptCatcher interrupts;
  output.interrupted = &InterruptCatcher::Requested;
  const int status = RunCli(options, driveAccess, output);
  platform::CurrentHost().SetCommandObserver(nullptr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CliParse parse = ParseCliOptions(args);
  if (!parse.error.empty()) {
    std::fprintf(stderr, "velmark-cli: %s\n", parse.error.c_str());
    return kExitUsage;
  }
  const CliOptions& options = parse.options;
  if (!sim::DemoProfileNamed(options.simProfile)) {
    std::string names;
    for (const sim::DemoProfileName& row : sim::kDemoProfiles)
      names += (names.empty() ? "" : ", ") + std::string(row.name);
    std::fprintf(stderr, "velmark-cli: there is no simulated machine '%s' (%s)\n",
                 options.simProfile.c_str(), names.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(CliUsage("velmark-cli").c_str(), stdout);
    // The simulated machine's drives, from the machine itself.
    std::printf("\nSimulated machine (--sim)\n%s", sim::DemoDriveList("  ").c_str());
    std::printf("\nSimulated machine --sim-profile media\n%s",
                sim::DemoDriveList("  ", sim::DemoProfile::Media).c_str());
    std::printf("\nSimulated machine --sim-profile audio\n%s",
                sim::DemoDriveList("  ", sim::DemoProfile::Audio).c_str());
    std::printf("\nSimulated machine --sim-profile damage\n%s",
                sim::DemoDriveList("  ", sim::DemoProfile::Damage).c_str());
    return kExitDone;
  }
  if (options.version) {
    std::printf("velmark-cli %s\n", kVelmarkVersion);
    return kExitDone;
  }
  // The fields and the output paths are judged once, before any drive is looked at.
  if (const std::string error = CheckFields(options); !error.empty()) {
    std::fprintf(stderr, "velmark-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  if (const std::string error = CheckOutputs(options); !error.empty()) {
    std::fprintf(stderr, "velmark-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  KeepStandardStreams();
  const int status = options.compare.empty() ? Run(options) : RunCompare(options, stdout, stderr);
  // What went to standard output arrived, or the run is no result. A reader that went away
  // ends the program as the closed pipe would have, with nothing more said.
  const std::string stdoutError = FinishStandardOutput();
  if (!stdoutError.empty() || !InterruptCatcher::PipeClosed()) InterruptCatcher::EndBySignal();
  if (!stdoutError.empty()) {
    std::fprintf(stderr, "velmark-cli: standard output: %s\n", stdoutError.c_str());
    return status == kExitDone ? kExitResultsIgnored : status;
  }
  return status;
}
