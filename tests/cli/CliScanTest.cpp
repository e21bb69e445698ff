// The disc scan from the command line on the demo machine: the JSON file with its keys,
// the CSV file, and the exit status when the drive refuses something asked for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ScanRun.h"
#include "sim/win32/DemoMachine.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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
ScanResult Scan(const std::vector<std::string>& args, Prepare prepare,
                std::function<bool()> interrupted = {}) {
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
  output.interrupted = std::move(interrupted);
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
  EXPECT_EQ(j["kind"], "scan");
  EXPECT_EQ(j["format"], 2);
  EXPECT_EQ(j["drive"]["product"], "PCAV SIM-40X");
  EXPECT_EQ(j["drive"]["letter"], "G:");
  EXPECT_EQ(j["disc"]["capacity_blocks"], 359775);
  EXPECT_TRUE(std::regex_match(j["date"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
  EXPECT_EQ(j["strategy"], "P-CAV");
  EXPECT_EQ(j["mode"], "data");
  EXPECT_EQ(j["taken_speed_x"], 16.0);
  ASSERT_GE(j["samples"].size(), 100u);
  for (const char* key : {"lba", "blocks", "micros", "speed_x", "kib_per_s"})
    EXPECT_TRUE(j["samples"][0].contains(key)) << key;
  for (const char* key : {"random", "third", "full"})
    EXPECT_GT(j["access_ms"][key].get<double>(), 0.0) << key;
  EXPECT_EQ(j["zones"].size(), 1u);
  EXPECT_NE(r.err.find("strategy P-CAV"), std::string::npos) << "report on the error stream";
}

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    std::vector<std::string>& fields = rows.emplace_back();
    for (std::size_t from = 0;;) {
      const std::size_t comma = line.find(',', from);
      fields.push_back(line.substr(from, comma == std::string::npos ? comma : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
  }
  return rows;
}

std::optional<double> Parsed(const std::string& field) {
  char* end = nullptr;
  const double v = std::strtod(field.c_str(), &end);
  if (field.empty() || *end != '\0') return std::nullopt;
  return v;
}

const std::map<std::string, nlohmann::json::json_pointer> kFigureInJson = {
    {"access_random_ms", nlohmann::json::json_pointer("/access_ms/random")},
    {"access_third_ms", nlohmann::json::json_pointer("/access_ms/third")},
    {"access_full_ms", nlohmann::json::json_pointer("/access_ms/full")},
    {"spin_up_ms", nlohmann::json::json_pointer("/spin_up_ms")},
};

TEST(CliScanTest, CsvOnStandardOutputIsOneWellFormedTable) {
  // One header, the same number of fields in every row, numbers where numbers belong, and
  // the same samples and figures as the JSON written in the same run.
  const std::string json = ::testing::TempDir() + "velmark-csv-check.json";
  const struct {
    std::vector<std::string> args;
    std::string header;
  } cases[] = {
      {{"--curve"}, "lba,blocks,micros,speed_x,kib_per_s,rpm"},
      {{"--drive", "1", "--curve", "--mode", "raw", "--blocks", "27000", "--access"},
       "lba,blocks,micros,speed_x,kib_per_s,rpm"},
      {{"--drive", "2", "--access", "--spin-up"}, "figure,value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 1]);
    std::vector<std::string> args = {"--sim", "--json", json, "--csv", "-"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ScanResult r = Scan(args, [](sim::DemoMachine&) {});
    EXPECT_EQ(r.status, kExitDone) << r.err;
    const nlohmann::json j = nlohmann::json::parse(Read(json));
    const std::vector<std::vector<std::string>> rows = CsvRows(r.out);
    ASSERT_GE(rows.size(), 2u) << r.out;
    std::string header;
    for (const std::string& f : rows[0]) header += (header.empty() ? "" : ",") + f;
    EXPECT_EQ(header, c.header);
    const bool samples = c.header.rfind("lba", 0) == 0;
    if (samples) {
      ASSERT_EQ(rows.size() - 1, j["samples"].size());
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const std::vector<std::string>& row = rows[i];
      ASSERT_EQ(row.size(), rows[0].size()) << "row " << i << ": " << r.out;
      if (samples) {
        for (const std::string& field : row) EXPECT_TRUE(Parsed(field)) << "row " << i;
        EXPECT_EQ(Parsed(row[0]), j["samples"][i - 1]["lba"].get<double>()) << "row " << i;
        EXPECT_EQ(Parsed(row[1]), j["samples"][i - 1]["blocks"].get<double>()) << "row " << i;
      } else {  // each figure is the JSON's, to its last printed digit
        const auto where = kFigureInJson.find(row[0]);
        ASSERT_NE(where, kFigureInJson.end()) << row[0];
        ASSERT_TRUE(Parsed(row[1])) << row[0] << " " << row[1];
        EXPECT_NEAR(*Parsed(row[1]), j.at(where->second).get<double>(), 0.051) << row[0];
      }
    }
    if (!samples) {
      EXPECT_EQ(rows.size() - 1, kFigureInJson.size());
    }
  }
  std::remove(json.c_str());
}

TEST(CliScanTest, CtrlCStopsTheStepUnderWayAndSkipsTheRest) {
  // The interrupt arrives at the third time the run asks: in the curve after its second
  // zone, or in the access times after their first trial.
  const struct {
    std::vector<std::string> args;
    const char* stopped;  // the JSON's sign of the step stopped
    const char* skipped;  // the key of the step not run
  } cases[] = {{{"--curve", "--access"}, "/aborted", "/access_ms"},
               {{"--access", "--spin-up"}, "/access_ms/aborted", "/spin_up_ms"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stopped);
    std::vector<std::string> args = {"--sim", "--json", "-"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    int asked = 0;
    const ScanResult r = Scan(
        args, [](sim::DemoMachine&) {}, [&asked] { return ++asked >= 3; });
    EXPECT_EQ(r.status, kExitResultsIgnored) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.value(nlohmann::json::json_pointer(c.stopped), std::string()).rfind("aborted", 0),
              0u);
    EXPECT_FALSE(j.contains(nlohmann::json::json_pointer(c.skipped)));
    if (j.contains("samples")) {
      EXPECT_EQ(j["samples"].size(), 2u);
    }
    EXPECT_NE(r.err.find("Interrupted (Ctrl-C)"), std::string::npos) << r.err;
  }
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
      {"J:", kExitNoDrive, "the simulated machine has no such drive; its drives are D: to H:"},
  };
  for (const Case& c : cases) {
    const ScanResult r =
        Scan({"--sim", "--device", c.device, "--speeds"}, [](sim::DemoMachine&) {});
    EXPECT_EQ(r.status, c.status) << c.device << r.err;
    EXPECT_NE((r.out + r.err).find(c.expect), std::string::npos) << c.device << r.err;
  }
}

}  // namespace

namespace {

TEST(CliScanTest, AccessTimesThatCannotPositionAreNamedAsFailed) {
  // The spin-up reads at the range's start; every place the access times go is unreadable.
  const ScanResult r = Scan({"--sim", "--access", "--json", "-"}, [](sim::DemoMachine& m) {
    sim::DriveFaults faults;
    faults.mediumErrors.push_back({1000, 357000});
    m.dataDrive().SetFaults(faults);
  });
  EXPECT_EQ(r.status, kExitResultsIgnored) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["refused"].size(), 1u) << r.out;
  EXPECT_EQ(j["refused"][0].get<std::string>().rfind("access times: READ(10) at ", 0), 0u)
      << j["refused"];
  EXPECT_NE(r.err.find("03/11/00"), std::string::npos) << r.err;
}

}  // namespace
