// velmark-cli: the Velmark window's speed test from the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VelmarkVersion.h"
#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/FieldCheck.h"
#include "cli/Interrupt.h"
#include "cli/ScanRun.h"
#include "platform/CommandTracePrinter.h"
#include "platform/Host.h"
#include "sim/win32/DemoMachine.h"
#include "sim/win32/DemoMachineText.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CliParse parse = ParseCliOptions(args);
  if (!parse.error.empty()) {
    std::fprintf(stderr, "velmark-cli: %s\n", parse.error.c_str());
    return kExitUsage;
  }
  const CliOptions& options = parse.options;
  if (options.help) {
    std::fputs(CliUsage("velmark-cli").c_str(), stdout);
    // The simulated machine's drives, from the machine itself.
    std::printf("\nSimulated machine (--sim)\n%s", sim::DemoDriveList("  ").c_str());
    return kExitDone;
  }
  if (options.version) {
    std::printf("velmark-cli %s\n", kVelmarkVersion);
    return kExitDone;
  }
  // The fields are judged once, before any drive is looked at.
  if (const std::string error = CheckFields(options); !error.empty()) {
    std::fprintf(stderr, "velmark-cli: %s\n", error.c_str());
    return kExitUsage;
  }

  // The disc scan writes its own files, by name, once it has measured.
  if (options.Scan() && !options.list) {
    static std::unique_ptr<sim::DemoMachine> scanMachine;
    if (options.sim)
      scanMachine = std::make_unique<sim::DemoMachine>(
          options.realTime ? sim::ClockMode::RealTime : sim::ClockMode::Virtual,
          false);  // a long scan keeps no copy of every command
    static platform::CommandTracePrinter scanTrace(stderr);
    if (options.trace) platform::CurrentHost().SetCommandObserver(&scanTrace);
    static AspiVCL scanAccess;
    CliOutput output;
    output.liveProgress = false;
    InterruptCatcher interrupts;  // Ctrl-C stops the scan's step under way
    output.interrupted = &InterruptCatcher::Requested;
    const int status = RunScan(options, scanAccess, output);
    platform::CurrentHost().SetCommandObserver(nullptr);
    return status;
  }

  // --json: the file is opened before anything else happens, so that a path that cannot
  // be written is refused at once. With "-" the JSON has standard output to itself.
  const bool jsonOnStdout = options.json && *options.json == "-";
  std::FILE* json = jsonOnStdout ? stdout : nullptr;
  if (options.json && !jsonOnStdout) {
    json = std::fopen(options.json->c_str(), "w");
    if (json == nullptr) {
      std::fprintf(stderr, "velmark-cli: --json %s: %s\n", options.json->c_str(),
                   std::strerror(errno));
      return kExitUsage;
    }
  }

  // The machine is chosen before the drive-access object exists: both live to the end of
  // the program and go in reverse order at static finalisation.
  static std::unique_ptr<sim::DemoMachine> machine;
  // The programs' machine keeps no copy of the commands it answers: a long test or scan holds
  // bounded memory.
  if (options.sim)
    machine = std::make_unique<sim::DemoMachine>(
        options.realTime ? sim::ClockMode::RealTime : sim::ClockMode::Virtual, false);
  static platform::CommandTracePrinter tracePrinter(stderr);
  if (options.trace) platform::CurrentHost().SetCommandObserver(&tracePrinter);

  static AspiVCL driveAccess;

  CliOutput output;
  output.out = jsonOnStdout ? stderr : stdout;
  output.json = json;
  const bool outTerminal = isatty(fileno(output.out)) != 0;
  output.colour = options.colour == "always" || (options.colour == "auto" && outTerminal);
  output.liveProgress = isatty(fileno(stderr)) != 0 && !options.trace;
  InterruptCatcher interrupts;
  output.interrupted = &InterruptCatcher::Requested;
  const int status = RunCli(options, driveAccess, output);
  platform::CurrentHost().SetCommandObserver(nullptr);
  if (json != nullptr && json != stdout) {
    // No test ran: no record, and no empty file left behind.
    const bool written = std::ftell(json) > 0;
    if (std::fclose(json) != 0 && written) {
      std::fprintf(stderr, "velmark-cli: --json %s: %s\n", options.json->c_str(),
                   std::strerror(errno));
      return kExitUsage;
    }
    if (!written) std::remove(options.json->c_str());
  }
  return status;
}
