// velmark-sim: the window on the simulated demo machine, in real time — Windows 2000 as
// administrator without an ASPI library, and the drives of sim::DemoMachine.
#include "app/StartUp.h"
#include "app/programs/ProgramView.h"
#include "app/programs/WindowProgram.h"
#include "sim/win32/DemoMachine.h"

// Defined in this order in one file: the machine (and its host) exists before the
// drive-access object is built on it, and is gone only after it.
static sim::DemoMachine Machine(sim::ClockMode::RealTime, false);  // keeps no copy of the commands
AspiVCL DriveAccess;

int main(int argc, char** argv) {
  const WindowProgram program{
      "velmark-sim",
      "Opens the Velmark speed-test window, as velmark(1) describes it, on a built-in\n"
      "simulated machine instead of this machine's drives, so that the test can be tried\n"
      "without a drive. The simulated drives run at their real pace: a test takes as long\n"
      "as on a real drive of the same speed.\n"};
  if (const WindowCommandLine line = ReadWindowCommandLine(program, argc, argv);
      line.exitStatus >= 0)
    return line.exitStatus;
  if (NoDisplay(program.name)) return 1;
  ProgramView view(program.name);
  toolkit::Application->SetBackend(&view);
  const int status = VelmarkMain<DriveAccess>();
  toolkit::Application->SetBackend(nullptr);
  return status;
}
