#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "app/AspiVCL.h"
#include "cli/ReportPrinter.h"
#include "platform/Host.h"
#include "sim/DemoMachine.h"
#include "sim/SimHost.h"
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

// The same on a machine of the given profile.
CliResult RunOnProfile(const std::vector<std::string>& args, sim::SimProfile profile) {
  const CliParse parse = ParseCliOptions(args);
  sim::SimHost host(std::move(profile.WithClock(sim::ClockMode::Virtual)));
  platform::ScopedHost installed(host);
  AspiVCL drive;
  toolkit::ScopedApplication app;
  Captured out, err;
  CliOutput output;
  output.out = out.get();
  output.err = err.get();
  const int status = RunCli(parse.options, drive, output);
  return {status, out.Text(), err.Text()};
}

// The demo machine with another data drive at D:.
CliResult RunWithDataDrive(const std::vector<std::string>& args, sim::SimDriveConfig data) {
  return RunOnProfile(args,
                      sim::DemoMachine::Profile(
                          sim::ClockMode::Virtual, std::make_shared<sim::SimDrive>(std::move(data)),
                          std::make_shared<sim::SimDrive>(sim::DemoMachine::AudioDriveConfig())));
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
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
            "1  E: [0,1]  VELMSIM   CD-ROM SIM-40X    2.10\n");

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
  EXPECT_TRUE(Contains(noRow.err, "There is no drive 5: the list has 2 (see --list)."));

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

// Whatever ends a run before its end, here the memory running out during the timed read, the
// exit status says there is no result.
class OutOfMemoryAtRead : public platform::CommandObserver {
 public:
  explicit OutOfMemoryAtRead(int n) : n_(n) {}
  void OnCommand(const platform::CommandTrace& trace) override {
    if (trace.cdb[0] == 0x28 && ++reads_ == n_) throw std::bad_alloc();
  }

 private:
  int n_;
  int reads_ = 0;
};

TEST(CliRunTest, RunThatDiesMidReadExitsWithFailure) {
  OutOfMemoryAtRead observer(40);  // the spin-up reads 5 times; this is well into the read
  const CliResult r =
      RunCommandLine({"--sim", "--start", "0", "--blocks", "10000"},
                     [&](sim::DemoMachine& m) { m.host().SetCommandObserver(&observer); });
  EXPECT_EQ(r.status, kExitResultsIgnored);
  EXPECT_TRUE(Contains(r.err, "Velmark: std::bad_alloc")) << r.err;
  EXPECT_TRUE(Contains(r.out, "Starting test ...\n"));
  EXPECT_FALSE(Contains(r.out, "Seconds : "));
}

// A run of failures of any length: every failure line reaches the output although the
// report keeps only its newest lines, and the demo machine keeps no record of the calls.
TEST(CliRunTest, LongRunOfFailuresIsPrintedWholeInBoundedMemory) {
  const int commands = toolkit::TRichEdit::kMaxLines + 2000;
  const std::string blocks = std::to_string(commands * 27);
  const CliResult r = RunCommandLine(
      {"--sim", "--start", "1000", "--blocks", blocks},
      [&](sim::DemoMachine& m) { m.dataDrive().AddMediumError(1010, commands * 27, -1); });
  EXPECT_EQ(r.status, kExitResultsIgnored);
  EXPECT_EQ(Occurrences(r.out, "Failed with 03/11/00\n"), static_cast<size_t>(commands));
  EXPECT_TRUE(Contains(r.out, "StartAddress : 1000\n"));
  EXPECT_TRUE(Contains(r.out, "Results should be ignored !\n"));
}

TEST(CliRunTest, DemoMachineKeepsNoRecordOfTheCalls) {
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  AspiVCL drive;  // the scan and the start-up probes send their commands
  EXPECT_EQ(drive.DeviceCount, 2);
  EXPECT_TRUE(machine.host().records()->passThroughCalls.empty());
  machine.StopRecording();
  const std::size_t before = machine.dataDrive().ReceivedCount();
  SenseResult sense{};
  drive.TestUnitReady(drive.DeviceTable[0], &sense);
  EXPECT_EQ(machine.dataDrive().ReceivedCount(), before);
}

// INQUIRY strings reach the terminal with their control characters shown as escapes.
TEST(CliRunTest, DriveStringsAreShownHarmlessly) {
  sim::SimDriveConfig c = sim::DemoMachine::DataDriveConfig();
  c.identity = {"\x1b]0;X\x07", "\x1b[2JPWNED",
                "1\x1b"
                "c"};
  const CliResult list = RunWithDataDrive({"--sim", "--list"}, c);
  EXPECT_EQ(list.status, kExitDone);
  EXPECT_EQ(list.out.find('\x1b'), std::string::npos) << list.out;
  EXPECT_TRUE(Contains(list.out, "0  D: [0,0]  \\x1B]0;X\\x07    \\x1B[2JPWNED  ")) << list.out;
  const CliResult run = RunWithDataDrive({"--sim", "--blocks", "270"}, c);
  EXPECT_TRUE(Contains(run.err, "Drive: D: [0,0]  \\x1B]0;X\\x07")) << run.err;
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
}

// A drive that stops answering mid-read, on either path: after three unanswered commands
// in a row the run ends as an abort does, within those three time-outs (45 s each), with the
// figures so far and an exit status that says there is no result.
TEST(CliRunTest, DriveThatStopsRespondingEndsTheRun) {
  const auto onPath = [](bool aspi, bool vanish) {
    auto drive = std::make_shared<sim::SimDrive>(sim::DemoMachine::DataDriveConfig());
    if (vanish) {
      drive->VanishAfter(200);
    } else {
      drive->HangAfter(200);
    }
    sim::SimProfile p = sim::SimProfile::Windows2000(!aspi);
    p.WithAspi(aspi ? sim::AspiPlacement::SystemDirectory : sim::AspiPlacement::None);
    p.AddDrive('D', {0, 0, 0, 0}, drive);
    return p;
  };
  const struct {
    const char* what;
    bool aspi, vanish;
  } cases[] = {
      {"pass-through, hangs", false, false},
      {"ASPI, hangs", true, false},
      {"pass-through, vanishes", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CliResult r =
        RunOnProfile({"--start", "0", "--blocks", "10000"}, onPath(c.aspi, c.vanish));
    EXPECT_EQ(r.status, kExitResultsIgnored) << r.out << r.err;
    size_t at = 0;
    for (const char* line : {"Starting test ...\n", "Drive stopped responding\n", "Seconds : ",
                             "Results should be ignored !\n", "Average Measured Velmark : "}) {
      at = r.out.find(line, at);
      ASSERT_NE(at, std::string::npos) << line << "\n" << r.out;
    }
    const double seconds = std::stod(r.out.substr(r.out.find("Seconds : ") + 10));
    EXPECT_LT(seconds, 3 * 47.0);
    EXPECT_LE(Occurrences(r.out, ") Failed with "), 2u);
  }
}

// A drive that hangs right after the scan: the start-up probes give up on it after three
// time-outs, and the command line says so at once instead of waiting for it.
TEST(CliRunTest, DriveThatHangsAfterTheScanIsGivenUpAtStartUp) {
  auto drive = std::make_shared<sim::SimDrive>(sim::DemoMachine::DataDriveConfig());
  drive->HangAfter(1);  // the scan's INQUIRY is answered
  sim::SimProfile p = sim::SimProfile::Windows2000(true);
  p.WithAspi(sim::AspiPlacement::None).AddDrive('D', {0, 0, 0, 0}, drive);
  sim::SimHost host(std::move(p.WithClock(sim::ClockMode::Virtual)));
  platform::ScopedHost installed(host);
  const DWORD begin = host.Milliseconds();
  AspiVCL access;
  toolkit::ScopedApplication app;
  Captured out, err;
  CliOutput output;
  output.out = out.get();
  output.err = err.get();
  const int status = RunCli(ParseCliOptions({"--wait", "300"}).options, access, output);
  EXPECT_EQ(status, kExitNoDrive);
  const std::string text = err.Text();
  EXPECT_TRUE(Contains(text, "Drive: D: [0,0]  VELMSIM")) << text;
  EXPECT_TRUE(Contains(text, "Drive stopped responding")) << text;
  EXPECT_LT(host.Milliseconds() - begin, 3u * 47000u);
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
