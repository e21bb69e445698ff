#include "cli/AudioCheckRun.h"

#include <climits>
#include <cstdio>
#include <string>

#include "app/DriveRecordOf.h"
#include "cli/DriveRun.h"
#include "cli/ExitStatus.h"
#include "diag/PrintableText.h"
#include "report/AudioCheckWriters.h"
#include "scan/AudioCheck.h"

int RunAudioCheck(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output) {
  // Standard output carries only a file written there; the report goes to the error stream.
  const bool fileOnStdout =
      (options.json && *options.json == "-") || (options.csv && *options.csv == "-");
  std::FILE* report = fileOnStdout ? output.err : output.out;
  auto ended = [&output] { return output.ended && output.ended(); };
  auto error = [&output, &ended](const std::string& text) {
    if (!ended()) std::fprintf(output.err, "%s\n", text.c_str());
  };
  auto note = [&output, &error](const std::string& text) {
    if (!output.quiet) error(text);
  };
  for (const auto* field : {&options.start, &options.blocks}) {
    if (*field && !Number(*field)) {
      std::fprintf(output.err, "velmark-cli: '%s' is not a number\n", (*field)->c_str());
      return kExitUsage;
    }
  }
  const int chosen = ChosenRow(options, driveAccess, output, error);
  if (chosen < 0) return kExitNoDrive;
  DeviceEntry& device = driveAccess.DeviceTable[chosen];
  std::string row = driveAccess.DeviceRowText(device, kWindowRowKind);
  row = row.substr(0, row.find('\0'));
  note("Drive: " + PrintableText(row));
  const std::function<bool()> interrupted = [&output] {
    return output.interrupted && output.interrupted();
  };
  if (const std::optional<int> status =
          WaitForScanDrive(options, driveAccess, device, interrupted, note, error))
    return *status;
  if (const std::string mounted = options.sim ? "" : MountedDiscNote(device, output);
      !mounted.empty())
    note(mounted);

  scan::AudioCheckSettings settings;
  if (options.against) {
    // The other drive, named as --drive or --device names one.
    CliOptions other = options;
    other.device.reset();
    const std::optional<std::int64_t> row = Number(options.against);
    if (row && (*row < 0 || *row > INT_MAX)) {
      error("velmark-cli: --against " + *options.against + ": not a row of the drive list.");
      return kExitNoDrive;
    }
    if (row)
      other.drive = static_cast<int>(*row);
    else
      other.device = options.against;
    const int againstRow = ChosenRow(other, driveAccess, output, error);
    if (againstRow < 0) return kExitNoDrive;
    if (againstRow == chosen) {
      error("velmark-cli: --against names the drive being checked; give another drive.");
      return kExitUsage;
    }
    settings.against = &driveAccess.DeviceTable[againstRow];
    std::string text = driveAccess.DeviceRowText(*settings.against, kWindowRowKind);
    note("Against: " + PrintableText(text.substr(0, text.find('\0'))));
  }
  settings.start = Number(options.start);
  settings.blocks = Number(options.blocks);
  settings.reads = options.audioReads.value_or(settings.reads);
  report::AudioCheckRecord record;
  {
    scan::AudioCheck check(driveAccess, device, settings, note);
    check.Run(record);
    if (settings.against) {
      std::string text = driveAccess.DeviceRowText(*settings.against, kWindowRowKind);
      record.offset.against = PrintableText(text.substr(0, text.find('\0')));
    }
  }  // the drive is back as it was found before anything is written
  if (ended()) return kExitResultsIgnored;

  std::fputs(report::AudioCheckText(record).c_str(), report);
  std::fflush(report);
  report::DiscRecord disc;
  disc.capacityBlocks = record.leadOut;
  bool written = true;
  if (options.json)
    written = WriteFile(*options.json, report::AudioCheckJson(DriveRecordOf(device), disc, record),
                        output);
  if (options.csv)
    written = WriteFile(*options.csv, report::AudioCheckCsv(record), output) && written;
  if (record.refused || !written) return kExitResultsIgnored;
  return kExitDone;
}
