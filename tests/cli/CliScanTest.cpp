// The disc scan from the command line on the demo machine: the JSON file with its keys,
// the CSV file, and the exit status when the drive refuses something asked for.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ScanRun.h"
#include "sim/win32/DemoMachine.h"

namespace {

std::string Read(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

struct ScanResult {
  int status;
  std::string out, err;
};

template <class Prepare>
ScanResult Scan(const std::vector<std::string>& args, Prepare prepare) {
  const CliParse parse = ParseCliOptions(args);
  EXPECT_EQ(parse.error, "");
  sim::DemoMachine machine(sim::ClockMode::Virtual, false);
  prepare(machine);
  AspiVCL drive;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliOutput output;
  output.out = out;
  output.err = err;
  const int status = RunScan(parse.options, drive, output);
  ScanResult r{status, Read(out), Read(err)};
  std::fclose(out);
  std::fclose(err);
  return r;
}

TEST(CliScanTest, JsonOnStandardOutputHoldsEveryFigure) {
  const ScanResult r = Scan({"--sim", "--drive", "3", "--info", "--speeds", "--speed", "20",
                             "--curve", "--access", "--spin-up", "--json", "-"},
                            [](sim::DemoMachine&) {});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);  // throws when it is not JSON
  for (const char* key :
       {"drive", "disc", "version", "date", "info", "speeds", "requested_speed_x", "taken_speed_x",
        "measured_speed_x", "mode", "samples", "strategy", "start_speed_x", "end_speed_x", "rpm",
        "zones", "access_ms", "spin_up_ms"})
    EXPECT_TRUE(j.contains(key)) << key;
  EXPECT_EQ(j["drive"]["product"], "PCAV SIM-40X");
  EXPECT_EQ(j["drive"]["letter"], "G:");
  EXPECT_EQ(j["disc"]["capacity_blocks"], 359775);
  EXPECT_TRUE(std::regex_match(j["date"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
  EXPECT_EQ(j["strategy"], "P-CAV");
  EXPECT_EQ(j["mode"], "data");
  EXPECT_EQ(j["taken_speed_x"], 16.0);
  ASSERT_GE(j["samples"].size(), 100u);
  for (const char* key : {"lba", "blocks", "micros", "speed_x", "kb_per_s"})
    EXPECT_TRUE(j["samples"][0].contains(key)) << key;
  for (const char* key : {"random", "third", "full"})
    EXPECT_GT(j["access_ms"][key].get<double>(), 0.0) << key;
  EXPECT_EQ(j["zones"].size(), 1u);
  EXPECT_NE(r.err.find("strategy P-CAV"), std::string::npos) << "report on the error stream";
}

TEST(CliScanTest, RefusedRequestIsNamedAndFailsTheRun) {
  const ScanResult r = Scan({"--sim", "--info", "--csv", "-"}, [](sim::DemoMachine& m) {
    sim::FirmwareQuirks q;
    q.capabilitiesPage = sim::FirmwareQuirks::CapabilitiesPage::Missing;
    m.dataDrive().SetQuirks(q);
  });
  EXPECT_EQ(r.status, kExitResultsIgnored);
  EXPECT_NE(r.err.find("Refused: MODE SENSE page 2Ah refused: 05/24/00"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "figure,value\nrefused,MODE SENSE page 2Ah refused: 05/24/00\n");
}

TEST(CliScanTest, DeviceChoosesTheDriveByItsLetter) {
  struct Case {
    const char* device;
    int status;
    const char* expect;  // in the output or the error stream
  };
  const Case cases[] = {
      {"G:", kExitDone, "PCAV SIM-40X"},
      {"J:", kExitNoDrive, "(J:) is not a drive Velmark found"},
  };
  for (const Case& c : cases) {
    const ScanResult r =
        Scan({"--sim", "--device", c.device, "--speeds"}, [](sim::DemoMachine&) {});
    EXPECT_EQ(r.status, c.status) << c.device << r.err;
    EXPECT_NE((r.out + r.err).find(c.expect), std::string::npos) << c.device << r.err;
  }
}

}  // namespace
