#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/AspiVCL.h"
#include "cli/ReportPrinter.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"

namespace {

// A stream the run writes into, read back as text.
class Captured {
 public:
  Captured() : file_(std::tmpfile()) {}
  ~Captured() { std::fclose(file_); }
  std::FILE* get() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) s.append(buf, n);
    return s;
  }

 private:
  std::FILE* file_;
};

struct CliResult {
  int status;
  std::string out, err;
};

// Runs the command line on a fresh demo machine (virtual clock); `prepare` may change the
// machine before the drive-access object is built.
template <class Prepare>
CliResult RunCommandLine(const std::vector<std::string>& args, Prepare prepare) {
  const CliParse parse = ParseCliOptions(args);
  EXPECT_EQ(parse.error, "");
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  prepare(machine);
  AspiVCL drive;
  toolkit::ScopedApplication app;
  Captured out, err;
  CliOutput output;
  output.out = out.get();
  output.err = err.get();
  const int status = RunCli(parse.options, drive, output);
  return {status, out.Text(), err.Text()};
}
CliResult RunCommandLine(const std::vector<std::string>& args) {
  return RunCommandLine(args, [](sim::DemoMachine&) {});
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliRunTest, DefaultRunPrintsTheCompleteReport) {
  const CliResult r = RunCommandLine({"--sim"});
  EXPECT_EQ(r.status, kExitDone);
  const char* lines[] = {"StartAddress : 349773\n",
                         "BlockAmount : 10000\n",
                         "Set CD Speed\n",
                         "Spinning Up Drive\n",
                         "Starting test ...\n",
                         "Seconds : ",
                         "KB Processed : 20000\n",
                         "Average KB/Seconds : ",
                         "Conversion factor : 1x = 150 KB/sec\n",
                         "Average Measured Velmark : ",
                         "Highest Measured Velmark : ",
                         "Highest Measured (single command) BURST : "};
  size_t at = 0;
  for (const char* line : lines) {
    const size_t found = r.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n" << r.out;
    at = found;
  }
  EXPECT_EQ(r.out.find('\033'), std::string::npos);  // plain text off a terminal
  EXPECT_TRUE(Contains(r.err, "Drive: D: [0,0]  VELMSIM   CD-ROM SIM-52X    1.00"));
  EXPECT_TRUE(Contains(r.err, "CD Recorded Capacity = 359775    (79:59:00)"));
  EXPECT_TRUE(Contains(r.err, "Test Done"));
}

TEST(CliRunTest, ListRangeModeAndDisplayOptions) {
  const CliResult list = RunCommandLine({"--sim", "--list"});
  EXPECT_EQ(list.status, kExitDone);
  EXPECT_EQ(list.out,
            "0  D: [0,0]  VELMSIM   CD-ROM SIM-52X    1.00\n"
            "1  E: [0,1]  VELMSIM   CD-ROM SIM-40X    2.10\n"
            "2  F: [1,0]  VELMSIM   CLV SIM-32X       1.20\n"
            "3  G: [1,1]  VELMSIM   PCAV SIM-40X      1.30\n"
            "4  H: [2,0]  VELMSIM   ZCLV SIM-48X      1.40\n");

  const CliResult raw = RunCommandLine({"--sim", "--drive", "1", "--start", "1000", "--blocks",
                                        "2700", "--mode", "raw", "--no-display"});
  EXPECT_EQ(raw.status, kExitDone);
  EXPECT_TRUE(Contains(raw.out, "StartAddress : 1000\nBlockAmount : 2700\n"));
  EXPECT_TRUE(Contains(raw.out, "Conversion factor : 1x = 172 KB/sec"));
  EXPECT_FALSE(Contains(raw.out, "Highest Measured"));
  EXPECT_FALSE(Contains(raw.out, "Trying RAW mode"));

  // Data mode on the audio CD falls back to raw.
  const CliResult audio =
      RunCommandLine({"--sim", "--drive", "1", "--start", "1000", "--blocks", "270"});
  EXPECT_EQ(audio.status, kExitDone);
  EXPECT_TRUE(Contains(audio.out, "Trying RAW mode, these blocks don't seem to contain Data"));
}

TEST(CliRunTest, FailuresAndTheirExitStatus) {
  const CliResult noRow = RunCommandLine({"--sim", "--drive", "5"});
  EXPECT_EQ(noRow.status, kExitNoDrive);
  EXPECT_TRUE(Contains(noRow.err, "There is no drive 5: the list has 5 (see --list)."));

  const CliResult text = RunCommandLine({"--sim", "--start", "abc"});
  EXPECT_EQ(text.status, kExitUsage);
  EXPECT_TRUE(Contains(text.err, "Velmark: 'abc' is not a valid integer value")) << text.err;
  EXPECT_EQ(text.out, "");

  const CliResult noDisc = RunCommandLine({"--sim", "--wait", "2"},
                                          [](sim::DemoMachine& m) { m.dataDrive().EjectDisc(); });
  EXPECT_EQ(noDisc.status, kExitNoDrive);
  EXPECT_TRUE(Contains(noDisc.err, "Waiting for the drive: No CD Present"));
  EXPECT_TRUE(Contains(noDisc.err, "The drive did not become ready within 2 s: No CD Present"));

  // Unreadable blocks in the range: reported, counted, and the results flagged.
  const CliResult bad =
      RunCommandLine({"--sim", "--start", "1000", "--blocks", "1000"},
                     [](sim::DemoMachine& m) { m.dataDrive().AddMediumError(1500, 10, -1); });
  EXPECT_EQ(bad.status, kExitResultsIgnored);
  EXPECT_TRUE(Contains(bad.out, "Failed with 03/11/00"));
  EXPECT_TRUE(Contains(bad.out, "Errors encountered during test !\nResults should be ignored !"));
}

TEST(ReportPrinterTest, ColourAndBoldOnATerminal) {
  toolkit::TRichLine line;
  line.Text = "Average Measured Velmark : 52.00 x";
  EXPECT_EQ(ReportPrinter::Format(line, true), line.Text);  // default colour, plain
  line.Attributes.Color = 0x800000;
  line.Attributes.Style.Include(toolkit::fsBold);
  EXPECT_EQ(ReportPrinter::Format(line, true), "\033[1;34m" + line.Text + "\033[0m");
  EXPECT_EQ(ReportPrinter::Format(line, false), line.Text);
  line.Attributes.Style = {};
  line.Attributes.Color = 0x008000;
  EXPECT_EQ(ReportPrinter::Format(line, true), "\033[32m" + line.Text + "\033[0m");
  line.Attributes.Color = 0x0000FF;
  line.Attributes.Style.Include(toolkit::fsUnderline);
  EXPECT_EQ(ReportPrinter::Format(line, true), "\033[4;31m" + line.Text + "\033[0m");
}

}  // namespace
