// velmark-sim: the window on the simulated demo machine, in real time — Windows 2000 as
// administrator without an ASPI library; D: a 52x CAV drive with a 79:57 data disc, E: a
// 40x drive with a 74-minute audio CD.
#include "app/StartUp.h"
#include "app/programs/ProgramView.h"
#include "sim/win32/DemoMachine.h"

// Defined in this order in one file: the machine (and its host) exists before the
// drive-access object is built on it, and is gone only after it.
static sim::DemoMachine Machine(sim::ClockMode::RealTime, false);  // keeps no copy of the commands
AspiVCL DriveAccess;

int main() {
  ProgramView view("velmark-sim");
  toolkit::Application->SetBackend(&view);
  const int status = VelmarkMain<DriveAccess>();
  toolkit::Application->SetBackend(nullptr);
  return status;
}
