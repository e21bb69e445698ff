// The command line's stand-in for a window system: the input it delivers is Ctrl-C, which
// clicks Abort while a test runs, and at every message processing it lets the progress
// line redraw. Between messages it sleeps on the host's clock, as the headless loop does.
#pragma once

#include <functional>

#include "toolkit/Application.h"

class TForm1;
class ReportPrinter;

class CliInput : public toolkit::TBackend {
 public:
  // `interrupted`: whether the user asked to stop (Ctrl-C); may be empty.
  CliInput(TForm1& form, ReportPrinter& printer, std::function<bool()> interrupted);

  // Whether an interrupt has arrived (and, if a test was running, clicked Abort).
  bool Interrupted() const { return seen_; }

  void FormShown(toolkit::TForm&) override {}
  bool ProcessEvents() override;
  void WaitForEvents(int milliseconds) override;

 private:
  TForm1& form_;
  ReportPrinter& printer_;
  std::function<bool()> interrupted_;
  bool seen_ = false;
};
