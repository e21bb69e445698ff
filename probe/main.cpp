// velmark-probe: what a user runs first to see whether Velmark sees their drive.
#include <cstdio>
#include <string>
#include <vector>

#include "VelmarkVersion.h"
#include "platform/CommandTracePrinter.h"
#include "platform/Host.h"
#include "probe/Probe.h"

int main(int argc, char** argv) {
  const probe::ProbeOptions options =
      probe::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!options.error.empty()) {
    std::fprintf(stderr, "velmark-probe: %s\n\n%s", options.error.c_str(),
                 probe::HelpText().c_str());
    return 2;
  }
  if (options.version) {
    std::printf("velmark-probe %s\n", kVelmarkVersion);
    return 0;
  }
  if (options.help) {
    std::fputs(probe::HelpText().c_str(), stdout);
    return 0;
  }
  platform::CommandTracePrinter printer(stdout);
  platform::Host& host = platform::CurrentHost();  // the real machine
  if (options.trace) host.SetCommandObserver(&printer);
  int status;
  {
    Aspi aspi;
    status = probe::Report(aspi, stdout);
  }
  host.SetCommandObserver(nullptr);
  return status;
}
