#include "cli/CliInput.h"

#include <utility>

#include "app/TForm1.h"
#include "cli/ReportPrinter.h"
#include "platform/Host.h"

CliInput::CliInput(TForm1& form, ReportPrinter& printer, std::function<bool()> interrupted)
    : form_(form), printer_(printer), interrupted_(std::move(interrupted)) {}

bool CliInput::ProcessEvents() {
  bool delivered = false;
  if (!seen_ && interrupted_ && interrupted_()) {
    seen_ = true;
    if (form_.TestRunning()) {
      form_.AbortButton->UserClick();
      delivered = true;
    }
  }
  printer_.Tick();
  return delivered;
}

void CliInput::WaitForEvents(int milliseconds) {
  // Never longer than 100 ms, so that an interrupt is seen soon.
  const int wait = milliseconds < 0 || milliseconds > 100 ? 100 : milliseconds;
  if (wait > 0) platform::CurrentHost().SleepMilliseconds(static_cast<DWORD>(wait));
}
