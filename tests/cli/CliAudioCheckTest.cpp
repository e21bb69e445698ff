// velmark-cli --audio-check on the audio machine: the exit status, the JSON with one key
// per finding, the CSV, and the refusals of a drive without CD-DA and of a data disc.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/AspiVCL.h"
#include "cli/AudioCheckRun.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "sim/win32/DemoMachine.h"
#include "tests/cli/ReadBack.h"

namespace {

TEST(CliAudioCheck, FindingsAsJsonAndCsvAndTheRefusals) {
  const struct {
    int row;
    int status;
    const char* output;   // --json or --csv to standard output
    const char* refusal;  // in the report, or null
    const char* against = nullptr;
  } cases[] = {
      {1, kExitDone, "--json", nullptr},
      {2, kExitDone, "--csv", nullptr},
      {4, kExitResultsIgnored, "--json", "does not read CD-DA"},
      {5, kExitResultsIgnored, "--csv", "no audio tracks (a data disc)"},
      {1, kExitDone, "--json", nullptr, "L:"},
      {1, kExitUsage, "--json", "names the drive being checked", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    std::vector<std::string> args = {
        "--sim-profile", "audio", "--audio-check", "--drive", std::to_string(c.row),
        c.output,        "-",     "--reads",       "4"};
    if (c.against) args.insert(args.end(), {"--against", c.against});
    const CliParse parse = ParseCliOptions(args);
    ASSERT_EQ(parse.error, "");
    sim::DemoMachine machine(sim::ClockMode::Virtual, false, sim::DemoProfile::Audio);
    AspiVCL drive;
    CliOutput output;
    output.out = std::tmpfile();
    output.err = std::tmpfile();
    const int status = RunAudioCheck(parse.options, drive, output);
    const std::string out = ReadBack(output.out), err = ReadBack(output.err);
    EXPECT_EQ(status, c.status) << err;
    if (c.status == kExitUsage) {
      EXPECT_NE(err.find(c.refusal), std::string::npos) << err;
      continue;
    }
    EXPECT_NE(err.find("Audio extraction check\n"), std::string::npos) << err;  // the report
    if (c.refusal) {
      EXPECT_NE(err.find(c.refusal), std::string::npos) << err;
    }
    if (std::string(c.output) == "--csv") {
      EXPECT_EQ(out.rfind("figure,value\n", 0), 0u) << out;
      EXPECT_NE(out.find(c.refusal ? "refused," : "differing,3\n"), std::string::npos) << out;
      continue;
    }
    const nlohmann::json j = nlohmann::json::parse(out);
    const nlohmann::json& a = j.at("audio_check");
    EXPECT_EQ(a.at("refused").is_string(), c.refusal != nullptr);
    if (c.refusal) continue;
    EXPECT_EQ(a.at("cache").at("caches"), false);
    EXPECT_EQ(a.at("fua").at("verdict"), "not testable");
    EXPECT_EQ(a.at("c2").at("missed_errors"), 3);
    EXPECT_EQ(a.at("repeatability").at("reads"), 4);
    EXPECT_EQ(a.at("repeatability").at("differing_lbas"), nlohmann::json({4510, 4600, 4700}));
    EXPECT_EQ(a.at("accurate_stream").at("reads_off"), 0);
    EXPECT_EQ(a.at("overread").at("lead_in").at("outcome"), "refused");
    // E: reads at offset 0, L: 667 samples later.
    EXPECT_EQ(a.at("offset_against").is_null(), c.against == nullptr);
    if (c.against) {
      EXPECT_EQ(a.at("offset_against").at("samples"), 667);
    }
  }
}

TEST(CliAudioCheck, OptionsThatDoNotGoTogether) {
  const struct {
    std::vector<std::string> args;
    const char* error;  // "" when accepted
  } cases[] = {
      {{"--audio-check", "--csv", "a.csv", "--json", "a.json"}, ""},
      {{"--audio-check", "--curve"}, "--audio-check runs alone"},
      {{"--reads", "3"}, "--reads applies to --audio-check"},
      {{"--against", "1"}, "--against applies to --audio-check"},
      {{"--audio-check", "--reads", "1"}, "--reads needs a count from 2 to 20"},
  };
  for (const auto& c : cases) {
    const std::string error = ParseCliOptions(c.args).error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

}  // namespace
