// The surface scan from the command line on the damage machine: the exit status says
// whether every block of the range was read, and the JSON record carries the marks the
// text report names.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ScanRun.h"
#include "sim/win32/DemoMachine.h"
#include "tests/cli/ReadBack.h"

namespace {

TEST(CliSurface, StatusAndRecordFollowTheDamageInTheRange) {
  const struct {
    const char* start;
    const char* blocks;
    int status;
    int unreadable, weak;
    const char* line;  // in the text report
  } cases[] = {
      {"15990", "20", kExitResultsIgnored, 2, 0, "  unreadable: 16000-16001 (03/11/00)\n"},
      {"49000", "2000", kExitDone, 0, 1, "  weak: 50000\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    const CliParse parse = ParseCliOptions({"--sim-profile", "damage", "--surface", "--start",
                                            c.start, "--blocks", c.blocks, "--json", "-"});
    ASSERT_EQ(parse.error, "");
    sim::DemoMachine machine(sim::ClockMode::Virtual, false, sim::DemoProfile::Damage);
    AspiVCL drive;
    CliOutput output;
    output.out = std::tmpfile();
    output.err = std::tmpfile();
    output.liveProgress = true;  // as on a terminal
    const int status = RunScan(parse.options, drive, output);
    const std::string out = ReadBack(output.out), err = ReadBack(output.err);
    EXPECT_EQ(status, c.status) << err;
    EXPECT_NE(err.find(c.line), std::string::npos) << err;
    // The progress line ends at the whole range with the marks found, and is cleared.
    const std::string last =
        std::to_string(c.unreadable) + " unreadable, " + std::to_string(c.weak) + " weak\r\033[K";
    EXPECT_NE(err.find("Reading 100%"), std::string::npos) << err;
    EXPECT_NE(err.find(last), std::string::npos) << err;
    const nlohmann::json s = nlohmann::json::parse(out).at("surface");
    EXPECT_EQ(s["unreadable"], c.unreadable);
    EXPECT_EQ(s["weak"], c.weak);
    EXPECT_EQ(s["good"].get<int>() + c.unreadable + c.weak, std::stoi(c.blocks));
  }
}

}  // namespace
