// A raw speed test or raw scan leaves the drive at the block length it found, however the
// run ends; a run that never starts or is ended from outside replaces no earlier file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/ScanRun.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"

namespace {

struct Ending {
  const char* name;
  int interruptAt;  // the interrupt predicate turns true at this call; 0: never
  bool ended;       // from outside (SIGTERM, SIGHUP) rather than Ctrl-C
  bool mediumError;
  int status;
};

std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the speed test or, when the options ask for a scan, the scan on the machine's drives,
// the record going to `json`; `adjust` may change the output first. The exit status.
int RunWithJson(CliOptions options, const std::string& json,
                const std::function<void(CliOutput&)>& adjust = {}) {
  options.json = json;
  AspiVCL drive;
  toolkit::ScopedApplication app;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliOutput output;
  output.out = out;
  output.err = err;
  output.jsonPath = json;
  if (adjust) adjust(output);
  const int status =
      options.Scan() ? RunScan(options, drive, output) : RunCli(options, drive, output);
  std::fclose(out);
  std::fclose(err);
  return status;
}

TEST(DriveAsFoundTest, TheBlockLengthGoesBackOnEveryWayOut) {
  const Ending endings[] = {
      {"done", 0, false, false, kExitDone},
      {"Ctrl-C", 40, false, false, kExitResultsIgnored},
      {"SIGTERM", 40, true, false, kExitResultsIgnored},
      {"failed command", 0, false, true, kExitResultsIgnored},
  };
  const std::string json = ::testing::TempDir() + "velmark-as-found.json";
  for (const bool scan : {false, true}) {
    for (const Ending& e : endings) {
      SCOPED_TRACE(std::string(scan ? "scan, " : "speed test, ") + e.name);
      { std::ofstream(json) << "earlier good record"; }
      sim::DemoMachine machine(sim::ClockMode::Virtual, false);
      if (e.mediumError) {
        sim::DriveFaults faults;
        faults.mediumErrors.push_back({100, 3});
        machine.dataDrive().SetFaults(faults);
      }
      std::vector<std::string> args = {"--sim", "--mode",   "raw", "--start",
                                       "0",     "--blocks", "8100"};
      if (scan) args.push_back("--curve");
      const CliParse parse = ParseCliOptions(args);
      ASSERT_EQ(parse.error, "");
      int calls = 0;
      const int status = RunWithJson(parse.options, json, [&](CliOutput& output) {
        if (e.interruptAt > 0) output.interrupted = [&] { return ++calls >= e.interruptAt; };
        if (e.ended) output.ended = [&] { return calls >= e.interruptAt; };
      });
      EXPECT_EQ(status, e.status);
      EXPECT_EQ(machine.dataDrive().BlockLength(), 2048);
      // A run ended from outside writes nothing over the earlier file.
      EXPECT_EQ(Text(json) == "earlier good record", e.ended);
    }
  }
  std::remove(json.c_str());
}

// The read retry count byte of page 01h in a MODE SELECT(10) parameter list, or -1.
int RetryCountSelected(const sim::ReceivedCommand& c) {
  if (c.cdb[0] != 0x55 || c.dataOut.size() < 8) return -1;
  const std::size_t page = 8 + (std::size_t{c.dataOut[6]} << 8 | c.dataOut[7]);
  if (c.dataOut.size() < page + 4 || (c.dataOut[page] & 0x3F) != 0x01) return -1;
  return c.dataOut[page + 3];
}

TEST(DriveAsFoundTest, TheReadRetryCountGoesBackOnceOnEveryWayOut) {
  struct WayOut {
    const char* name;
    const char* start;  // 16000 and 16001 are unreadable
    int interruptAt;
    bool ended;
    bool throws;
    int status;
  };
  const WayOut ways[] = {
      {"done", "40000", 0, false, false, kExitDone},
      {"Ctrl-C", "40000", 40, false, false, kExitResultsIgnored},
      {"SIGTERM", "40000", 40, true, false, kExitResultsIgnored},
      {"failed command", "12000", 0, false, false, kExitResultsIgnored},
      {"exception", "40000", 40, false, true, 0},
  };
  const std::string json = ::testing::TempDir() + "velmark-retry-as-found.json";
  for (const WayOut& w : ways) {
    SCOPED_TRACE(w.name);
    sim::DemoMachine machine(sim::ClockMode::Virtual, true, sim::DemoProfile::Damage);
    sim::SimDrive& drive = machine.drive(0);
    const int found = drive.ReadRetryCount();
    const CliParse parse = ParseCliOptions({"--sim-profile", "damage", "--surface", "--start",
                                            w.start, "--blocks", "8100", "--mode", "raw"});
    ASSERT_EQ(parse.error, "");
    int calls = 0;
    auto run = [&] {
      return RunWithJson(parse.options, json, [&](CliOutput& output) {
        if (w.interruptAt > 0)
          output.interrupted = [&] {
            if (++calls >= w.interruptAt && w.throws) throw std::runtime_error("thrown");
            return calls >= w.interruptAt;
          };
        if (w.ended) output.ended = [&] { return calls >= w.interruptAt; };
      });
    };
    if (w.throws) {
      EXPECT_THROW(run(), std::runtime_error);
    } else {
      EXPECT_EQ(run(), w.status);
    }
    EXPECT_EQ(drive.ReadRetryCount(), found);
    EXPECT_EQ(drive.BlockLength(), 2048);
    // Every change of the count the MODE SELECTs made: lowered once, put back once.
    std::vector<int> changes;
    int count = found;
    for (const sim::ReceivedCommand& c : drive.Received()) {
      const int selected = RetryCountSelected(c);
      if (selected < 0 || selected == count) continue;
      changes.push_back(selected);
      count = selected;
    }
    EXPECT_EQ(changes, (std::vector<int>{1, found}));
  }
  std::remove(json.c_str());
}

TEST(DriveAsFoundTest, ARunThatNeverStartsLeavesTheEarlierFile) {
  const std::string json = ::testing::TempDir() + "velmark-never-started.json";
  const struct {
    std::vector<std::string> args;
    int status;
  } refused[] = {{{"--sim", "--drive", "9"}, kExitNoDrive},
                 {{"--sim", "--start", "999999"}, kExitUsage},
                 {{"--sim", "--start", "999999", "--curve"}, kExitUsage}};  // as --help says
  for (const auto& [args, expected] : refused) {
    SCOPED_TRACE(args[2]);
    { std::ofstream(json) << "earlier good record"; }
    sim::DemoMachine machine(sim::ClockMode::Virtual, false);
    const CliParse parse = ParseCliOptions(args);
    ASSERT_EQ(parse.error, "");
    const int status = RunWithJson(parse.options, json);
    EXPECT_EQ(status, expected);
    EXPECT_EQ(Text(json), "earlier good record");
  }
  std::remove(json.c_str());
}

}  // namespace
