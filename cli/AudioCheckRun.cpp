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
  const RunStart run = StartRun(options, driveAccess, output);
  if (!run.device) return run.status;
  DeviceEntry& device = *run.device;
  std::FILE* report = run.report;
  const auto& error = run.error;
  const auto& note = run.note;
  const auto& ended = run.ended;
  const int chosen = run.chosen;
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
