#include "cli/DriveRun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cli/DeviceChoice.h"
#include "cli/DriveWait.h"
#include "cli/ExitStatus.h"
#include "diag/PrintableText.h"
#include "report/OutputFile.h"
#include "session/DriveSession.h"
#include "transport/wnaspi32.h"

namespace {
constexpr DWORD kReadyPollMs = 800;
}  // namespace

// Writes `text` to `path` ("-": standard output); false with a message when it cannot.
bool WriteFile(const std::string& path, const std::string& text, const CliOutput& output) {
  if (path == "-") {
    const bool written = std::fputs(text.c_str(), output.out) >= 0;
    return std::fflush(output.out) == 0 && written;  // a failure is told at the end
  }
  const std::string error = report::WriteOutputFile(path, text);
  if (!error.empty()) std::fprintf(output.err, "velmark-cli: %s\n", error.c_str());
  return error.empty();
}

std::optional<std::int64_t> Number(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text->c_str(), &end, 10);
  if (errno != 0 || end == text->c_str() || *end != '\0') return std::nullopt;
  return v;
}

// The row --drive or --device names, or -1 after saying why there is none.
int ChosenRow(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output,
              const std::function<void(const std::string&)>& error) {
  const int rows = AspiVCL::ValidRows(driveAccess.DeviceTable);
  if (options.device) {  // --device names the drive by its node or letter, as for the speed test
    std::vector<char> letters;
    for (int i = 0; i < rows; ++i)
      letters.push_back(static_cast<char>(driveAccess.DeviceTable[i].DriveLetter));
    std::string why;
    const int row = RowOfDevice(*options.device, options.sim, letters, output.devRoot, why);
    if (row < 0) error(why + ".");
    return row;
  }
  if (rows == 0) {
    error(
        "No CD-ROM drive found (velmark-cli --list shows what is found; --sim runs on the "
        "simulated machine).");
    return -1;
  }
  if (options.drive >= rows) {
    error(DriveRowMissing(options.drive, rows));
    return -1;
  }
  return options.drive;
}

// The wait for the drive, asked on the drive session; the exit status when it ends
// the run.
std::optional<int> WaitForScanDrive(const CliOptions& options, AspiVCL& driveAccess,
                                    DeviceEntry& device, const std::function<bool()>& interrupted,
                                    const std::function<void(const std::string&)>& note,
                                    const std::function<void(const std::string&)>& error) {
  session::DriveSession session(driveAccess, device);
  SenseResult sense{};
  std::string state;
  DriveWait wait;
  wait.ready = [&] {
    BYTE status = SS_COMP;
    const session::Readiness readiness = session.CheckReady(&sense, &status);
    state = AspiVCL::ReadinessText(readiness, sense, status);
    return readiness == session::Readiness::Ready;
  };
  wait.state = [&] { return state; };
  wait.stoppedResponding = [&] { return driveAccess.StoppedResponding(device); };
  wait.pause = [] { Sleep(kReadyPollMs); };
  wait.interrupted = interrupted;
  wait.note = note;
  wait.name = options.device.value_or("");
  wait.error = error;
  return WaitForDrive(wait, options.waitSeconds);
}

RunStart StartRun(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output) {
  RunStart run;
  const bool fileOnStdout =
      (options.json && *options.json == "-") || (options.csv && *options.csv == "-");
  run.report = fileOnStdout ? output.err : output.out;
  // Ended from outside, the program ends by that signal once the drive is back, unheard.
  run.ended = [&output] { return output.ended && output.ended(); };
  run.error = [&output, ended = run.ended](const std::string& text) {
    if (!ended()) std::fprintf(output.err, "%s\n", text.c_str());
  };
  run.note = [&output, error = run.error](const std::string& text) {
    if (!output.quiet) error(text);
  };
  run.interrupted = [&output] { return output.interrupted && output.interrupted(); };
  for (const auto* field : {&options.start, &options.blocks}) {
    if (*field && !Number(*field)) {
      std::fprintf(output.err, "velmark-cli: '%s' is not a number\n", (*field)->c_str());
      run.status = kExitUsage;
      return run;
    }
  }
  run.chosen = ChosenRow(options, driveAccess, output, run.error);
  if (run.chosen < 0) {
    run.status = kExitNoDrive;
    return run;
  }
  DeviceEntry& device = driveAccess.DeviceTable[run.chosen];
  run.row = driveAccess.DeviceRowText(device, kWindowRowKind);
  run.row = run.row.substr(0, run.row.find('\0'));
  run.note("Drive: " + PrintableText(run.row));
  // Wait for the drive to become ready, in the window's words.
  if (const std::optional<int> status =
          WaitForScanDrive(options, driveAccess, device, run.interrupted, run.note, run.error)) {
    run.status = *status;
    return run;
  }
  run.device = &device;
  return run;
}
