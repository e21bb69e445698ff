// velmark-cli: the Velmark window's speed test from the command line.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "platform/CommandTracePrinter.h"
#include "platform/Host.h"
#include "sim/DemoMachine.h"

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
    return kExitDone;
  }

  // The machine is chosen before the drive-access object exists: both live to the end of
  // the program and go in reverse order at static finalisation.
  static std::unique_ptr<sim::DemoMachine> machine;
  if (options.sim) {
    machine = std::make_unique<sim::DemoMachine>(options.realTime ? sim::ClockMode::RealTime
                                                                  : sim::ClockMode::Virtual);
    machine->StopRecording();
  }
  static platform::CommandTracePrinter tracePrinter(stderr);
  if (options.trace) platform::CurrentHost().SetCommandObserver(&tracePrinter);

  static AspiVCL driveAccess;

  CliOutput output;
  const bool outTerminal = isatty(fileno(stdout)) != 0;
  output.colour = options.colour == "always" || (options.colour == "auto" && outTerminal);
  output.liveProgress = isatty(fileno(stderr)) != 0 && !options.trace;
  const int status = RunCli(options, driveAccess, output);
  platform::CurrentHost().SetCommandObserver(nullptr);
  return status;
}
