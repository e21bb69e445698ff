#include "cli/CliRun.h"

#include <string>

#include "app/TForm1.h"
#include "cli/ReportPrinter.h"
#include "diag/PrintableText.h"
#include "platform/Host.h"
#include "toolkit/Toolkit.h"

using namespace toolkit;

namespace {

// Stop boxes go to the error stream while the command line runs.
class MessageBoxesToStream {
 public:
  explicit MessageBoxesToStream(ReportPrinter& printer) {
    platform::CurrentHost().SetMessageBoxSink(
        [this, &printer](HWND, const char* text, const char* caption, UINT) {
          ++count;
          printer.Note(std::string(caption) + ": " + text);
          return IDOK;
        });
  }
  ~MessageBoxesToStream() { platform::CurrentHost().SetMessageBoxSink({}); }
  int count = 0;
};

}  // namespace

int RunCli(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output) {
  Application->Initialize();
  Application->SetTitle("Velmark");
  TForm1* form = new TForm1(Application, driveAccess);
  Form1 = form;
  struct FormOwner {
    TForm1* form;
    ~FormOwner() {
      if (Form1 == form) Form1 = nullptr;
      delete form;
    }
  } owner{form};

  ReportPrinter printer(*form, output.out, output.err, output.colour, output.liveProgress);
  MessageBoxesToStream boxes(printer);
  TComboBox& list = *form->ComboBox;

  if (options.list) {
    if (list.Items().Count() == 0) {
      std::fprintf(output.err, "No CD-ROM drive found.\n");
      return kExitNoDrive;
    }
    for (int i = 0; i < list.Items().Count(); ++i)
      std::fprintf(output.out, "%d  %s\n", i, PrintableText(list.Items()[i]).c_str());
    return kExitDone;
  }

  if (list.Items().Count() == 0) {
    printer.Note(
        "No CD-ROM drive found (velmark-cli --list shows what is found; --sim runs "
        "on the simulated machine).");
    return kExitNoDrive;
  }
  if (options.drive >= list.Items().Count()) {
    printer.Note("There is no drive " + std::to_string(options.drive) + ": the list has " +
                 std::to_string(list.Items().Count()) + " (see --list).");
    return kExitNoDrive;
  }
  printer.Note("Drive: " + PrintableText(list.Items()[options.drive]));
  if (options.drive != 0) {
    list.PostSelect(options.drive);  // the user's choice: the poll runs at once
    Application->ProcessMessages();
  }

  // Wait for the poll to find the drive ready.
  platform::Host& host = platform::CurrentHost();
  const DWORD begin = host.Milliseconds();
  const DWORD limit = static_cast<DWORD>(options.waitSeconds) * 1000u;
  std::string shown = form->CDSize->Caption();
  while (!form->StartButton->Enabled()) {
    const DeviceEntry* device = form->SelectedDevice();
    if (device != nullptr && driveAccess.StoppedResponding(*device)) {
      printer.Note("Drive stopped responding: no test is possible.");
      return kExitNoDrive;
    }
    if (host.Milliseconds() - begin > limit) {
      printer.Note(
          "The drive did not become ready within " + std::to_string(options.waitSeconds) + " s" +
          (form->CDSize->Caption().empty() ? std::string(".") : ": " + form->CDSize->Caption()));
      return kExitNoDrive;
    }
    Application->HandleMessage();
    if (form->CDSize->Caption() != shown) {
      shown = form->CDSize->Caption();
      if (!shown.empty() && !form->StartButton->Enabled())
        printer.Note("Waiting for the drive: " + shown);
    }
  }
  if (!form->CDSize->Caption().empty()) printer.Note(form->CDSize->Caption());

  // The fields, as the user would set them.
  const int boxesBefore = boxes.count;
  if (options.start) form->Edit1->PostText(*options.start);
  if (options.blocks) form->Edit2->PostText(*options.blocks);
  if (options.mode) form->RadioGroup->PostSelect(*options.mode);
  if (options.noDisplay && !form->CheckBox->Checked()) form->CheckBox->PostClick();
  Application->ProcessMessages();

  form->StartButton->PostClick();
  Application->ProcessMessages();
  printer.Finish();

  const TForm1::TestOutcome& outcome = form->LastTest();
  if (!outcome.started) {
    if (boxes.count == boxesBefore) printer.Note("The test did not start.");
    return kExitUsage;
  }
  // A run that started and did not reach its end (whatever ended it) is no result either.
  if (!outcome.finished || outcome.aborted || outcome.errorCount > 0) return kExitResultsIgnored;
  return kExitDone;
}
