#include "cli/CompareRun.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ExitStatus.h"
#include "report/CompareTable.h"
#include "report/MediumUnits.h"
#include "report/plot/OverlayGraph.h"
#include "report/plot/PlotWriter.h"

namespace {

// The medium a record was measured on, as its speeds are counted: the 1x it names, a CD's
// when the drive named none.
std::int64_t UnitBytes(const report::SavedScan& scan) {
  if (scan.disc.medium && scan.disc.medium->unitBytesPerSecond > 0)
    return scan.disc.medium->unitBytesPerSecond;
  return static_cast<std::int64_t>(report::UnitOf(scsi::MediumFamily::CD).dataBytesPerSecond);
}

std::string MediumName(const report::SavedScan& scan) {
  return scan.disc.medium ? scan.disc.medium->name : std::string("CD");
}

}  // namespace

int RunCompare(const CliOptions& options, std::FILE* out, std::FILE* err) {
  std::vector<report::ComparedRecord> records;
  for (const std::string& path : options.compare) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
      std::fprintf(err, "velmark-cli: %s cannot be read\n", path.c_str());
      return kExitUsage;
    }
    report::ComparedRecord& r = records.emplace_back();
    r.name = path.substr(path.find_last_of('/') + 1);
    std::string error;
    if (!report::ReadScanJson(text.str(), r.scan, error)) {
      std::fprintf(err, "velmark-cli: %s is not compared: %s\n", path.c_str(), error.c_str());
      return kExitUsage;
    }
  }
  // Speeds count in their medium's x: a DVD's 8x is not a CD's.
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (UnitBytes(records[i].scan) == UnitBytes(records[0].scan)) continue;
    std::fprintf(err,
                 "velmark-cli: %s (%s) and %s (%s) were measured on different media, whose "
                 "speeds are counted in different x: compare runs of one medium\n",
                 options.compare[0].c_str(), MediumName(records[0].scan).c_str(),
                 options.compare[i].c_str(), MediumName(records[i].scan).c_str());
    return kExitUsage;
  }
  std::fputs(report::CompareTableText(records).c_str(), out);
  if (std::fflush(out) != 0) return kExitResultsIgnored;
  if (options.plot) {
    const bool cd =
        UnitBytes(records[0].scan) ==
        static_cast<std::int64_t>(report::UnitOf(scsi::MediumFamily::CD).dataBytesPerSecond);
    const std::string error =
        report::plot::WritePlot(report::plot::OverlayGraph(records, cd), *options.plot);
    if (!error.empty()) {
      std::fprintf(err, "velmark-cli: %s\n", error.c_str());
      return kExitResultsIgnored;
    }
  }
  return kExitDone;
}
