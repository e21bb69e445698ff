#include "cli/CliOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(CliOptionsTest, DefaultsWithoutArguments) {
  const CliParse p = ParseCliOptions({});
  ASSERT_EQ(p.error, "");
  EXPECT_FALSE(p.options.sim);
  EXPECT_EQ(p.options.drive, 0);
  EXPECT_FALSE(p.options.start.has_value());
  EXPECT_FALSE(p.options.blocks.has_value());
  EXPECT_FALSE(p.options.mode.has_value());
  EXPECT_EQ(p.options.waitSeconds, 30);
}

TEST(CliOptionsTest, EveryOptionInBothSpellings) {
  const CliParse a = ParseCliOptions({"--sim", "--drive", "1", "--start", "1234", "--blocks", "500",
                                      "--mode", "raw", "--no-display", "--trace", "--wait", "5",
                                      "--real-time", "--colour", "never"});
  ASSERT_EQ(a.error, "");
  const CliParse b =
      ParseCliOptions({"--sim", "--drive=1", "--start=1234", "--blocks=500", "--mode=raw",
                       "--no-display", "--trace", "--wait=5", "--real-time", "--color=never"});
  ASSERT_EQ(b.error, "");
  for (const CliOptions* o : {&a.options, &b.options}) {
    EXPECT_TRUE(o->sim);
    EXPECT_EQ(o->drive, 1);
    EXPECT_EQ(o->start, "1234");
    EXPECT_EQ(o->blocks, "500");
    EXPECT_EQ(o->mode, 1);
    EXPECT_TRUE(o->noDisplay);
    EXPECT_TRUE(o->trace);
    EXPECT_EQ(o->waitSeconds, 5);
    EXPECT_TRUE(o->realTime);
    EXPECT_EQ(o->colour, "never");
  }
}

TEST(CliOptionsTest, FieldTextsAreHandedOnUnchecked) {
  // The window's own conversion judges them, with its own error text.
  const CliParse p = ParseCliOptions({"--start", "abc", "--blocks", "-7"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.start, "abc");
  EXPECT_EQ(p.options.blocks, "-7");
}

TEST(CliOptionsTest, RejectedCommandLines) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--drive"}, "option --drive needs a value"},
      {{"--drive", "x"}, "--drive: 'x' is not a valid integer value"},
      {{"--drive", "-1"}, "--drive needs a row number from 0, not '-1'"},
      {{"--mode", "audio"}, "--mode is data or raw, not 'audio'"},
      {{"--wait", "-1"}, "--wait needs seconds from 0 to 3600, not '-1'"},
      {{"--list=yes"}, "option --list takes no value"},
      {{"--frobnicate"}, "unknown argument '--frobnicate' (try --help)"},
      {{"extra"}, "unknown argument 'extra' (try --help)"},
      {{"--real-time"}, "--real-time only applies with --sim"},
      {{"--colour", "pink"}, "--colour is auto, always or never, not 'pink'"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCliOptions(c.args).error, c.error);
}

// Every number is decimal: an optional sign and digits, nothing else.
TEST(CliOptionsTest, NumbersAreDecimalOnly) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--drive", "0x1"}, "--drive: '0x1' is not a valid integer value"},
      {{"--wait", " 5"}, "--wait: ' 5' is not a valid integer value"},
      {{"--wait", "5s"}, "--wait: '5s' is not a valid integer value"},
      {{"--speed", "$10"}, "--speed: '$10' is not a valid integer value"},
      {{"--speed", "+"}, "--speed: '+' is not a valid integer value"},
      {{"--drive", "99999999999999999999"},
       "--drive needs a row number from 0, not "
       "'99999999999999999999'"},
      {{"--wait", "+7"}, ""},
      {{"--drive", "99"}, ""},  // judged against the list once the drives are found
      // A speed may have decimals, in the same range; nothing else around the point.
      {{"--speed", "2.4"}, ""},
      {{"--speed", "0.5"}, "--speed needs a speed in x from 1 to 200, not '0.5'"},
      {{"--speed", "200.5"}, "--speed needs a speed in x from 1 to 200, not '200.5'"},
      {{"--speed", "2."}, "--speed: '2.' is not a valid integer value"},
      {{"--speed", "-2.4"}, "--speed: '-2.4' is not a valid integer value"},
      {{"--speed", "2.-4"}, "--speed: '2.-4' is not a valid integer value"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCliOptions(c.args).error, c.error) << c.args[1];
  EXPECT_EQ(ParseCliOptions({"--speed", "2.4"}).options.speed, 2.4);
}

TEST(CliOptionsTest, ListRefusesWhatItWouldIgnore) {
  const std::vector<std::vector<std::string>> ignored = {
      {"--json", "x.json"}, {"--curve"},      {"--info"},        {"--speed", "8"},
      {"--csv", "-"},       {"--start", "5"}, {"--blocks", "9"}, {"--mode", "raw"},
      {"--wait", "3"},      {"--no-display"}, {"--drive", "1"},  {"--device", "D:"}};
  for (const auto& extra : ignored) {
    std::vector<std::string> args = {"--sim", "--list"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(ParseCliOptions(args).error,
              extra[0] +
                  " does nothing with --list, which only prints the drive list: give "
                  "one of them");
  }
  const CliParse kept =
      ParseCliOptions({"--list", "--sim", "--real-time", "-v", "-q", "--colour", "never"});
  EXPECT_EQ(kept.error, "");
  EXPECT_TRUE(kept.options.trace && kept.options.quiet);
  EXPECT_TRUE(ParseCliOptions({"-V"}).options.version);
}

TEST(CliOptionsTest, NoColourTurnsAutoOffButNotAlways) {
  const struct {
    const char* colour;
    bool terminal;
    const char* noColour;
    bool wanted;
  } cases[] = {
      {"auto", true, nullptr, true},   {"auto", true, "", true},    {"auto", true, "1", false},
      {"auto", false, nullptr, false}, {"always", true, "1", true}, {"always", false, "1", true},
      {"never", true, nullptr, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ColourWanted(c.colour, c.terminal, c.noColour), c.wanted)
        << c.colour << " " << c.terminal << " " << (c.noColour ? c.noColour : "unset");
}

TEST(CliOptionsTest, HelpNamesEveryOption) {
  const std::string usage = CliUsage("velmark-cli");
  for (const char* option : {"--list", "--drive", "--start", "--blocks", "--mode", "--no-display",
                             "--sim", "--real-time", "--trace", "--wait", "--colour", "--help"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_NE(usage.find("virtual"), std::string::npos);
}

TEST(CliOptionsTest, VersionDeviceAndJson) {
  EXPECT_TRUE(ParseCliOptions({"--version"}).options.version);
  const CliParse p = ParseCliOptions({"--device", "/dev/cdrom", "--json=-"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.device, "/dev/cdrom");
  EXPECT_EQ(p.options.json, "-");
  EXPECT_EQ(ParseCliOptions({"--drive", "1", "--device", "/dev/sr0"}).error,
            "--drive and --device both choose the drive: give one of them");
  EXPECT_EQ(ParseCliOptions({"--json="}).error,
            "--json needs a file name, or - for standard output");
}

// Every row of the table, as it is and as the next option added will be: listed in the usage
// under its heading with its value's name, and parsed by the common rules.
TEST(CliOptionsTest, EveryTableRowIsInTheUsageAndFollowsTheCommonRules) {
  const std::string usage = CliUsage("velmark-cli");
  for (const CliOption& o : CliOptionTable()) {
    SCOPED_TRACE(o.name);
    std::string head = std::string("\n  ") + o.name;
    if (o.value != nullptr) head += std::string(" ") + o.value;
    const size_t at = usage.find(head + " ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(usage.find(head + " ", at + 1), std::string::npos);  // listed once
    const size_t heading = usage.rfind(std::string("\n") + o.section + "\n", at);
    ASSERT_NE(heading, std::string::npos);
    EXPECT_EQ(usage.find("\n\n", heading + 1), usage.find("\n\n", at));  // same section
    if (o.value != nullptr) {
      EXPECT_EQ(ParseCliOptions({o.name}).error,
                std::string("option ") + o.name + " needs a value");
    } else {
      EXPECT_EQ(ParseCliOptions({std::string(o.name) + "=1"}).error,
                std::string("option ") + o.name + " takes no value");
    }
  }
}

}  // namespace
