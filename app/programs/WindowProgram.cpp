#include "app/programs/WindowProgram.h"

#include <cstdio>
#include <string>

#include "VelmarkVersion.h"
#include "sim/win32/DemoMachineText.h"

namespace {

std::string Usage(const WindowProgram& program) {
  const std::string name = program.name;
  std::string text = "Usage: " + name + (program.takesSim ? " [--sim]\n" : "\n");
  text += "  or:  " + name + " --help | --version\n\n";
  text += program.about;
  text += "\nOptions:\n";
  if (program.takesSim)
    text += "  --sim      the simulated demo machine instead of this machine's drives\n";
  text += "  --help     print this text and exit\n";
  text += "  --version  print the version and exit\n";
  text += "\nThe simulated demo machine's drives:\n" + sim::DemoDriveList("  ");
  text +=
      "\nExit status:\n"
      "  0  the window was closed\n"
      "  1  no window could be opened (no display)\n"
      "  2  the command line was not understood\n";
  return text;
}

}  // namespace

WindowCommandLine ReadWindowCommandLine(const WindowProgram& program, int argc, char** argv) {
  WindowCommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage(program).c_str(), stdout);
      line.exitStatus = 0;
      return line;
    }
    if (arg == "--version") {
      std::printf("%s %s\n", program.name, kVelmarkVersion);
      line.exitStatus = 0;
      return line;
    }
    if (arg == "--sim" && program.takesSim) {
      line.sim = true;
      continue;
    }
    std::fprintf(stderr, "%s: unknown option %s (--help lists the options)\n", program.name,
                 arg.c_str());
    line.exitStatus = 2;
    return line;
  }
  return line;
}
