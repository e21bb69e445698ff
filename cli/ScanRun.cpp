#include "cli/ScanRun.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/DriveRecordOf.h"
#include "app/ScanFigures.h"
#include "cli/DriveRun.h"
#include "cli/ProgressLine.h"
#include "platform/Host.h"
#include "report/MediumUnits.h"
#include "report/OutputFile.h"
#include "report/ScanCsv.h"
#include "report/ScanJson.h"
#include "report/ScanText.h"
#include "report/plot/PlotWriter.h"
#include "scan/DiscScan.h"
#include "session/DriveSession.h"
#include "transport/wnaspi32.h"

namespace {

// A CD's blocks with their playing time: "359775 blocks (79:57:00)".
// The medium's part of the disc record, when the drive named it.
void RecordMedium(const session::Medium& medium, report::DiscRecord& disc) {
  if (!medium.profile) return;
  report::MediumRecord& m = disc.medium.emplace();
  m.name = medium.name;
  m.layers = medium.layers;
  if (medium.layers && *medium.layers > 1)
    m.trackPath = medium.trackPath == scsi::TrackPath::Opposite ? "opposite" : "parallel";
  m.layerBreakLba = medium.layerBreak;
  m.unitBytesPerSecond =
      static_cast<std::int64_t>(report::UnitOf(medium.family).dataBytesPerSecond);
}

// The scan's files, as the options name them; false when one could not be written.
bool WriteOutputs(const CliOptions& options, const CliOutput& output,
                  const report::ScanRecord& record, const report::DriveRecord& drive,
                  const report::DiscRecord& disc, const report::plot::PlotHead& plotHead) {
  bool written = true;
  if (options.json)
    written = WriteFile(*options.json, report::ScanJson(drive, disc, record), output);
  if (options.csv) written = WriteFile(*options.csv, report::ScanCsv(record), output) && written;
  if (options.plot) {
    std::string error = "no curve was measured: " + *options.plot + " is not written";
    if (record.curve && !record.curve->samples.empty())
      error = report::plot::WriteCurvePlot(*record.curve, plotHead, *options.plot);
    if (!error.empty()) {
      std::fprintf(output.err, "velmark-cli: %s\n", error.c_str());
      written = false;
    }
  }
  if (options.map) {
    std::string error = "no surface was read: " + *options.map + " is not written";
    if (record.surface && record.surface->read > 0)
      error = report::plot::WriteSurfaceMap(
          report::plot::MakeSurfaceMap(*record.surface, plotHead, disc.capacityBlocks.value_or(0)),
          *options.map);
    if (!error.empty()) {
      std::fprintf(output.err, "velmark-cli: %s\n", error.c_str());
      written = false;
    }
  }
  return written;
}

}  // namespace

int RunScan(const CliOptions& options, AspiVCL& driveAccess, const CliOutput& output) {
  const RunStart run = StartRun(options, driveAccess, output);
  if (!run.device) return run.status;
  DeviceEntry& device = *run.device;
  std::FILE* report = run.report;
  const auto& error = run.error;
  const auto& note = run.note;
  const auto& ended = run.ended;
  const std::string& row = run.row;
  // Ctrl-C stops the step under way (the curve after its sample, the access times after
  // their trial, the spin-up while it waits) and the steps after it are not run.
  const auto& interrupted = run.interrupted;
  report::DiscRecord disc;

  scan::ScanSettings settings;
  settings.start = Number(options.start);
  settings.blocks = Number(options.blocks);
  settings.raw = options.mode.value_or(0) == 1;
  settings.speedX = options.speed;
  scan::ScanObserver observer;
  observer.note = note;
  observer.sample = [&](const report::ScanSample&, std::size_t, std::size_t) {
    return !interrupted();
  };
  observer.proceed = [&] { return !interrupted(); };
  // The surface scan's progress line: blocks judged, the marks so far and the time left.
  const auto begun = std::chrono::steady_clock::now();
  RedrawGate gate(std::chrono::milliseconds(250));
  bool progressShown = false;
  observer.surface = [&](const scan::SurfaceProgress& p) {
    const auto now = std::chrono::steady_clock::now();
    if (output.liveProgress && !output.quiet && (gate.Due(now) || p.done == p.total)) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - begun).count();
      const std::string text =
          ProgressText(static_cast<std::uint32_t>(p.done), static_cast<std::uint32_t>(p.total),
                       static_cast<std::uint32_t>(ms), "") +
          "  " + std::to_string(p.unreadable) + " unreadable, " + std::to_string(p.weak) + " weak";
      std::fprintf(output.err, "\r\033[K%s", text.c_str());
      std::fflush(output.err);
      progressShown = true;
    }
    return !interrupted();
  };
  scan::DiscScan scan(driveAccess, device, settings, observer);

  report::ScanRecord record;
  report::plot::PlotHead plotHead{row, {}};
  const bool rangeOnDisc = scan.ReadRecordedArea(record);
  if (rangeOnDisc) {
    // A mounted disc is said before the scan changes the drive's state.
    if (const std::string mounted = options.sim ? "" : MountedDiscNote(device, output);
        !mounted.empty())
      note(mounted);
    disc.capacityBlocks = scan.LeadOut();
    RecordMedium(scan.Medium(), disc);
    plotHead.disc = MediumDiscText(scan.LeadOut(), scan.Medium());
    SetPlotMedium(plotHead, scan.Medium());
    plotHead.oppositePath = scan.Medium().trackPath == scsi::TrackPath::Opposite;
    note("Disc: " + plotHead.disc);
    for (const scan::ScanStep& step : scan::ScanSteps()) {
      if (!StepAsked(options, step.id)) continue;
      if (interrupted()) {
        note("Interrupted (Ctrl-C): the steps asked for after it were not run.");
        record.failed = true;
        break;
      }
      (scan.*step.run)(record);
    }
  }
  if (progressShown) std::fprintf(output.err, "\r\033[K");
  // A layer break the curve showed belongs to the disc's record.
  if (record.curve && record.curve->layerBreakFromCurve && disc.medium &&
      !disc.medium->layerBreakLba) {
    disc.medium->layerBreakLba = record.curve->layerBreakFromCurve;
    disc.medium->layerBreakFromCurve = true;
  }
  // The drive goes back as it was found before anything is written.
  scan.Restore();
  if (!rangeOnDisc && scan.RangeOffTheDisc()) {
    // The scan's note said why; a quiet run still says it, as the error it is.
    if (output.quiet && !record.refused.empty()) error("velmark-cli: " + record.refused.back());
    return kExitUsage;
  }
  // Ended from outside: no file is replaced by the record of a scan that was cut short.
  if (ended()) return kExitResultsIgnored;
  if (interrupted() && record.curve && record.curve->aborted)
    record.curve->abortReason += " (Ctrl-C)";

  std::fputs(report::ScanText(record).c_str(), report);
  std::fflush(report);
  const bool written = WriteOutputs(options, output, record, DriveRecordOf(device), disc, plotHead);
  if (record.failed || !written) return kExitResultsIgnored;
  return kExitDone;
}
