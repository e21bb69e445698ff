#include "cli/CliRun.h"

#include <string>
#include <vector>

#include "app/TForm1.h"
#include "cli/CliInput.h"
#include "cli/DeviceChoice.h"
#include "cli/DriveListing.h"
#include "cli/DriveWait.h"
#include "cli/RangeCheck.h"
#include "cli/ReportPrinter.h"
#include "diag/PrintableText.h"
#include "platform/Host.h"
#include "platform/LinuxHost.h"
#include "platform/LinuxMounts.h"
#include "report/OutputFile.h"
#include "report/SpeedTestJson.h"
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
          printer.Error(std::string(caption) + ": " + text);
          return IDOK;
        });
  }
  ~MessageBoxesToStream() { platform::CurrentHost().SetMessageBoxSink({}); }
  int count = 0;
};

// The command line's input for the application while the run lasts.
class BackendInstalled {
 public:
  explicit BackendInstalled(TBackend& backend) : previous_(Application->Backend()) {
    Application->SetBackend(&backend);
  }
  ~BackendInstalled() { Application->SetBackend(previous_); }

 private:
  TBackend* previous_;
};

// The row --drive or --device names, or -1 after telling why there is none.
int ChosenRow(const CliOptions& options, TForm1& form, const CliOutput& output,
              ReportPrinter& printer) {
  const int rows = form.ComboBox->Items().Count();
  if (!options.device) {
    if (options.drive < rows) return options.drive;
    printer.Error(DriveRowMissing(options.drive, rows));
    return -1;
  }
  Aspi& aspi = form.DriveAccess();
  std::vector<char> letters;
  for (int i = 0; i < rows && i < kMaxDevices; ++i)
    letters.push_back(static_cast<char>(aspi.DeviceTable[i].DriveLetter));
  std::string error;
  const int row = RowOfDevice(*options.device, options.sim, letters, output.devRoot, error);
  if (row < 0) printer.Error(error + ".");
  return row;
}

// The range to run: the user's fields, or the window's defaults for the disc.
bool CheckTheRange(const CliOptions& options, TForm1& form, ReportPrinter& printer,
                   std::string& blocksText) {
  const std::string startText = options.start.value_or(form.Edit1->Text());
  blocksText = options.blocks.value_or(form.Edit2->Text());
  std::int32_t start = 0, blocks = 0;
  if (!TryStrToInt(startText, start) || !TryStrToInt(blocksText, blocks)) return true;
  if (form.CapacityShown == 0) {
    printer.Note("Note: the disc's capacity could not be read; the range is not checked.");
    return true;
  }
  const RangeVerdict verdict = CheckRange(start, blocks, form.RecordedCapacity);
  if (verdict.kind == RangeVerdict::kRefused) {
    printer.Error("velmark-cli: " + verdict.message);
    return false;
  }
  if (verdict.kind == RangeVerdict::kShortened) {
    printer.Note(verdict.message);
    blocksText = std::to_string(verdict.blocks);
  }
  return true;
}

// Whether the program is being ended from outside; it then ends by that signal, unheard.
bool Ended(const CliOutput& output) {
  return output.ended && output.ended();
}

}  // namespace

std::string MountedDiscNote(const DeviceEntry& device, const CliOutput& output) {
#ifndef _WIN32
  return platform::MountedDiscNote(
      platform::LinuxHost::DriveNode(static_cast<char>(device.DriveLetter)), output.mountTable);
#else
  (void)device;
  (void)output;
  return {};
#endif
}

namespace {

// --list: the window's drive list, a row each with its number, and what the drive says.
int PrintList(const TComboBox& list, TForm1& form, const CliOutput& output, bool sim) {
  if (list.Items().Count() == 0) {
    std::fprintf(output.err, "No CD-ROM drive found.\n");
    return kExitNoDrive;
  }
  AspiVCL& access = form.DriveAccess();
  for (int i = 0; i < list.Items().Count(); ++i) {
    const std::string details =
        i < kMaxDevices ? DriveListDetails(access, access.DeviceTable[i], sim) : "";
    std::fprintf(output.out, "%d  %s%s\n", i, PrintableText(list.Items()[i]).c_str(),
                 details.c_str());
  }
  return kExitDone;
}

// The fields of the form as the user would set them, and the form's answer to them.
void SetFields(const CliOptions& options, const std::string& blocksText, TForm1& form) {
  if (options.start) form.Edit1->PostText(*options.start);
  if (blocksText != form.Edit2->Text()) form.Edit2->PostText(blocksText);
  if (options.mode) form.RadioGroup->PostSelect(*options.mode);
  if (options.noDisplay && !form.CheckBox->Checked()) form.CheckBox->PostClick();
  Application->ProcessMessages();
}

// The run's record as JSON, to the stream or the file the output names. On this machine the
// drive is named by its device node. False, after saying why, when it could not be written.
bool WriteJson(report::SpeedTestRecord record, const CliOptions& options, bool interrupted,
               const CliOutput& output, ReportPrinter& printer) {
#ifndef _WIN32  // Windows has no device nodes: the drive keeps its address
  if (!options.sim && record.drive.letter.size() == 2) {
    const std::string node = platform::LinuxHost::DriveNode(record.drive.letter[0]);
    if (!node.empty()) record.drive.device = node;
  }
#else
  (void)options;
#endif
  if (interrupted && record.aborted) record.abortReason += " (Ctrl-C)";
  const std::string text = report::SpeedTestJsonText(record);
  if (output.json != nullptr) {
    const bool written = std::fwrite(text.data(), 1, text.size(), output.json) == text.size();
    return std::fflush(output.json) == 0 && written;
  }
  const std::string error = report::WriteOutputFile(output.jsonPath, text);
  if (!error.empty()) printer.Error("velmark-cli: " + error);
  return error.empty();
}

// The speed test's wait: the window's readiness poll asks the drive until Start is enabled.
std::optional<int> WaitForTheForm(const CliOptions& options, TForm1& form,
                                  const std::string& placeholder, CliInput& input,
                                  ReportPrinter& printer, const CliOutput& output) {
  DriveWait wait;
  wait.ready = [&] { return form.StartButton->Enabled(); };
  wait.state = [&] {
    const std::string& caption = form.CDSize->Caption();
    return caption == placeholder ? std::string() : caption;
  };
  wait.stoppedResponding = [&] {
    const DeviceEntry* device = form.SelectedDevice();
    return device != nullptr && form.DriveAccess().StoppedResponding(*device);
  };
  wait.pause = [] { Application->HandleMessage(); };
  wait.interrupted = [&] { return input.Interrupted(); };
  wait.note = [&](const std::string& text) {
    if (!Ended(output)) printer.Note(text);
  };
  // A drive named by --device is named again in why it did not become ready.
  wait.name = options.device.value_or("");
  wait.error = [&](const std::string& text) {
    if (!Ended(output)) printer.Error(text);
  };
  return WaitForDrive(wait, options.waitSeconds);
}

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
  CliInput input(*form, printer, output.interrupted);
  BackendInstalled installed(input);
  TComboBox& list = *form->ComboBox;

  if (output.quiet) printer.Quiet();
  if (options.list) return PrintList(list, *form, output, options.sim);

  // A drive named by --device is judged first: a name that leads to no drive says why.
  if (list.Items().Count() == 0 && !options.device) {
    printer.Error(
        "No CD-ROM drive found (velmark-probe tells why; --sim runs on the simulated "
        "machine).");
    return kExitNoDrive;
  }
  const int row = ChosenRow(options, *form, output, printer);
  if (row < 0) return kExitNoDrive;
  printer.Line("Drive: " + PrintableText(list.Items()[row]));
  // What the window shows before any poll: the drive has been asked once the text differs.
  const std::string placeholder = form->CDSize->Caption();
  // The user's choice, the first drive too: the poll runs at once instead of at the timer's
  // first tick, 800 ms on. The test then follows the start-up without an idle pause, which
  // would leave the machine below its working pace for the first part of the read.
  list.PostSelect(row);
  Application->ProcessMessages();

  // Wait for the window's poll to find the drive ready.
  if (const std::optional<int> status =
          WaitForTheForm(options, *form, placeholder, input, printer, output))
    return *status;
  if (!form->CDSize->Caption().empty()) printer.Line(form->CDSize->Caption());

  // The range, checked against the disc before anything is read.
  std::string blocksText;
  if (!CheckTheRange(options, *form, printer, blocksText)) return kExitUsage;

  // The fields, as the user would set them.
  const int boxesBefore = boxes.count;
  SetFields(options, blocksText, *form);
  if (input.Interrupted()) {
    if (!Ended(output)) printer.Error("Interrupted before the test started.");
    return kExitInterrupted;
  }

  // A mounted disc is said before the test changes the drive's state.
  if (!options.sim) {
    const std::string note = MountedDiscNote(form->DriveAccess().DeviceTable[row], output);
    if (!note.empty()) printer.Note(note);
  }
  form->StartButton->PostClick();
  Application->ProcessMessages();
  printer.Finish();

  const TForm1::TestOutcome& outcome = form->LastTest();
  // Ended from outside: the drive is back as it was found, and no file is replaced by the
  // record of a run that was cut short.
  if (Ended(output)) return kExitResultsIgnored;
  const bool wantJson = output.json != nullptr || !output.jsonPath.empty();
  if (wantJson && outcome.started &&
      !WriteJson(form->LastRecord(), options, input.Interrupted(), output, printer))
    return kExitResultsIgnored;
  if (!outcome.started) {
    if (boxes.count == boxesBefore) printer.Error("The test did not start.");
    return kExitUsage;
  }
  // A run that started and did not reach its end (whatever ended it) is no result either.
  if (!outcome.finished || outcome.aborted || outcome.errorCount > 0) return kExitResultsIgnored;
  return kExitDone;
}
