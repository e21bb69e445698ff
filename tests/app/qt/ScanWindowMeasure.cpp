// Drives velmark-scan's window on the simulated machine in real time, as a user would, and
// measures it: the curve saved through the window's Save as JSON (for comparison with
// velmark-cli's), the longest time between two repaints of the window while it scans, and
// how long the scan takes to stop after Abort.
//
//   scan_window_measure [--start N] [--blocks N] --json FILE    a scan, saved as JSON
//   scan_window_measure --abort-after MS [--blocks N]            Abort MS after Start
//
// Prints "repaint_max_ms N", "repaints N" and, with --abort-after, "abort_ms N" on standard
// output. Run it under a display (Xvfb) or with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AspiVCL.h"
#include "app/ScanForm.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/TFileDialog.h"
#include "toolkit/qt/QtView.h"

namespace {

// The view with its file dialog answered by the driver.
class DriverView : public toolkit::qt::QtView {
 public:
  explicit DriverView(std::string path) : QtView("velmark-scan-sim"), path_(std::move(path)) {}
  bool ChooseFile(toolkit::TFileDialogRequest& request) override {
    request.fileName = path_;
    return true;
  }

 private:
  std::string path_;
};

// Times the paint events of the window's widgets.
class PaintClock : public QObject {
 public:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint && timing) {
      const qint64 now = clock.elapsed();
      if (last >= 0) longest = std::max(longest, now - last);
      last = now;
      ++count;
    }
    return QObject::eventFilter(object, event);
  }
  QElapsedTimer clock;
  bool timing = false;
  qint64 last = -1, longest = 0;
  long count = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string start = "0", blocks, json;
  long abortAfter = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--start")
      start = value;
    else if (option == "--blocks")
      blocks = value;
    else if (option == "--json")
      json = value;
    else if (option == "--abort-after")
      abortAfter = std::atol(value.c_str());
  }
  sim::DemoMachine machine(sim::ClockMode::RealTime, false);
  AspiVCL drive;
  DriverView view(json);
  toolkit::Application->SetBackend(&view);
  auto* form = new TScanForm(toolkit::Application, drive);
  form->Show();
  view.Show(*form);
  form->StartEdit->SetText(start);
  form->BlocksEdit->SetText(blocks);
  PaintClock paints;
  qApp->installEventFilter(&paints);
  paints.clock.start();
  paints.timing = true;
  form->StartButton->PostClick();
  toolkit::Application->ProcessMessages();
  QElapsedTimer sinceStart;
  sinceStart.start();
  while (form->Scanning()) {
    if (abortAfter >= 0 && sinceStart.elapsed() >= abortAfter &&
        form->ScanState() == TScanForm::State::Scanning)
      form->AbortButton->UserClick();
    toolkit::Application->HandleMessage();
  }
  paints.timing = false;
  std::printf("repaint_max_ms %lld\nrepaints %ld\n", static_cast<long long>(paints.longest),
              paints.count);
  if (abortAfter >= 0)
    std::printf("abort_ms %lu\n", static_cast<unsigned long>(form->AbortLatencyMs()));
  std::printf("status %s\n", form->StatusBar->SimpleText().c_str());
  int status = 0;
  if (!json.empty()) {
    form->SaveButton->UserClick();
    std::printf("save %s\n", form->StatusBar->SimpleText().c_str());
    status = form->StatusBar->SimpleText().rfind("Saved ", 0) == 0 ? 0 : 1;
  }
  delete form;
  toolkit::Application->SetBackend(nullptr);
  return status;
}
