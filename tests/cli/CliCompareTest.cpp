// Saved scans compared from the command line: records the scan wrote on the simulated
// machines side by side and overlaid; another kind of record, a newer format, another
// medium or a file that is no record refused with the reason and the status 2.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CompareRun.h"
#include "cli/ScanRun.h"
#include "report/RecordKind.h"
#include "report/SpeedTestJson.h"
#include "report/plot/PlotWriter.h"
#include "sim/win32/DemoMachine.h"
#include "tests/cli/ReadBack.h"

namespace {

// The record a scan on the simulated machine `profile` writes for `args`, saved at `path`.
void SaveScan(sim::DemoProfile profile, std::vector<std::string> args, const std::string& path) {
  args.insert(args.end(), {"--json", path, "-q"});
  const CliParse parse = ParseCliOptions(args);
  ASSERT_EQ(parse.error, "");
  sim::DemoMachine machine(sim::ClockMode::Virtual, false, profile);
  AspiVCL drive;
  CliOutput output;
  output.out = std::tmpfile();
  output.err = std::tmpfile();
  RunScan(parse.options, drive, output);
  ReadBack(output.out);
  ReadBack(output.err);
}

TEST(CliCompare, SavedScansSideBySideAndRefusals) {
  const std::string dir = ::testing::TempDir();
  const std::string cav = dir + "cav.json", clv = dir + "clv.json", surface = dir + "surface.json",
                    dvd = dir + "dvd.json", speedTest = dir + "speed-test.json",
                    newer = dir + "newer.json", notJson = dir + "not.json",
                    plot = dir + "overlay.svg";
  SaveScan(sim::DemoProfile::Default, {"--sim", "--curve", "--blocks", "27000"}, cav);
  SaveScan(sim::DemoProfile::Default, {"--sim", "--drive", "2", "--curve", "--blocks", "27000"},
           clv);
  SaveScan(sim::DemoProfile::Damage,
           {"--sim-profile", "damage", "--surface", "--start", "15000", "--blocks", "27000"},
           surface);
  SaveScan(sim::DemoProfile::Media, {"--sim-profile", "media", "--curve", "--blocks", "27000"},
           dvd);
  std::ofstream(speedTest) << report::SpeedTestJsonText(report::SpeedTestRecord{});
  {
    std::ifstream in(cav);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(newer) << std::regex_replace(
        text, std::regex("\"format\": " + std::to_string(report::kRecordFormat)),
        "\"format\": " + std::to_string(report::kRecordFormat + 1));
  }
  std::ofstream(notJson) << "Curve (data, LBA 0 + 27000 blocks)";

  const struct {
    const char* name;
    std::vector<std::string> files;
    int status;
    const char* said;  // on standard output when it ran, else on standard error
  } cases[] = {
      {"three runs", {cav, clv, surface}, kExitDone, "26997 good, 0 weak, 3 unreadable"},
      {"a speed test", {cav, speedTest}, kExitUsage, "another kind (speed_test)"},
      {"a newer format", {newer, cav}, kExitUsage, "is newer than this program reads"},
      {"another medium", {cav, dvd}, kExitUsage, "different media"},
      {"no record", {cav, notJson}, kExitUsage, "it is not JSON"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(plot.c_str());
    std::vector<std::string> args = {"--compare"};
    args.insert(args.end(), c.files.begin(), c.files.end());
    if (report::plot::PlotAvailable()) args.insert(args.end(), {"--plot", plot});
    const CliParse parse = ParseCliOptions(args);
    ASSERT_EQ(parse.error, "");
    ASSERT_EQ(parse.options.compare, c.files);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = RunCompare(parse.options, out, err);
    const std::string said = ReadBack(out), warned = ReadBack(err);
    EXPECT_EQ(status, c.status) << warned;
    EXPECT_NE((status == kExitDone ? said : warned).find(c.said), std::string::npos)
        << said << warned;
    const bool drawn = std::ifstream(plot).good();
    EXPECT_EQ(drawn, status == kExitDone && report::plot::PlotAvailable());
    if (status != kExitDone) continue;
    for (const char* row : {"Drive", "Strategy", "Start speed", "Surface"})
      EXPECT_NE(said.find(row), std::string::npos) << row;
    EXPECT_NE(said.find("CLV SIM-32X"), std::string::npos) << said;
  }
  for (const std::string& f : {cav, clv, surface, dvd, speedTest, newer, notJson, plot})
    std::remove(f.c_str());
}

}  // namespace
