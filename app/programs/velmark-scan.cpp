// velmark-scan: the disc scan window — the transfer-rate curve drawn while it is read, the
// reading strategy, access and spin-up times — on this machine's drives, or with --sim on
// the simulated demo machine (in real time).
#include <memory>
#include <string>

#include "app/AspiVCL.h"
#include "app/ScanForm.h"
#include "app/programs/ProgramView.h"
#include "app/programs/WindowProgram.h"
#include "report/plot/PlotWriter.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"

int main(int argc, char** argv) {
  const WindowProgram program{
      "velmark-scan",
      "Opens the Velmark disc scan window: drive, range and read mode, Start and Abort,\n"
      "the transfer-rate curve drawn while the disc is read, the reading strategy and the\n"
      "other figures beside it, and Save as a picture (.png, .svg), CSV or JSON. Without\n"
      "--sim it scans this machine's drives (/dev/sr0, /dev/sr1 ... named D:, E: ...).\n",
      true};
  const WindowCommandLine line = ReadWindowCommandLine(program, argc, argv);
  if (line.exitStatus >= 0) return line.exitStatus;
  if (NoDisplay(program.name)) return 1;
  const bool sim = line.sim;
  // The machine is chosen before the drive-access object exists; both live to the end of
  // the program and go in reverse order.
  static std::unique_ptr<sim::DemoMachine> machine;
  if (sim) machine = std::make_unique<sim::DemoMachine>(sim::ClockMode::RealTime);
  static AspiVCL driveAccess;

  ProgramView view(sim ? "velmark-scan-sim" : "velmark-scan");
  toolkit::Application->SetBackend(&view);
  TScanForm* form = nullptr;
  try {
    toolkit::Application->Initialize();
    toolkit::Application->SetTitle("Velmark scan");
    toolkit::Application->CreateForm(form, driveAccess);
    form->SavePicture = [](const toolkit::TGraphModel& graph, const std::string& path) {
      return report::plot::WritePlot(graph, path);
    };
    toolkit::Application->Run();
  } catch (const toolkit::Exception& e) {
    toolkit::Application->ShowException(e);
  }
  delete form;
  toolkit::Application->SetBackend(nullptr);
  return 0;
}
