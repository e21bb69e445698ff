// velmark-scan: the disc scan window — the transfer-rate curve drawn while it is read, the
// reading strategy, access and spin-up times — on this machine's drives, or with --sim on
// the simulated demo machine (in real time).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/AspiVCL.h"
#include "app/ScanForm.h"
#include "report/plot/PlotWriter.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtView.h"

namespace {

constexpr const char* kUsage =
    "usage: velmark-scan [--sim]\n"
    "  --sim   the simulated demo machine instead of this machine's drives\n";

}  // namespace

int main(int argc, char** argv) {
  bool sim = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sim") == 0) {
      sim = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fprintf(stderr, "velmark-scan: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  // The machine is chosen before the drive-access object exists; both live to the end of
  // the program and go in reverse order.
  static std::unique_ptr<sim::DemoMachine> machine;
  if (sim) machine = std::make_unique<sim::DemoMachine>(sim::ClockMode::RealTime);
  static AspiVCL driveAccess;

  toolkit::qt::QtView view(sim ? "velmark-scan-sim" : "velmark-scan");
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
