#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "app/AspiVCL.h"
#include "cli/FieldCheck.h"
#include "cli/ReportPrinter.h"
#include "platform/Host.h"
#include "sim/win32/DemoMachine.h"
#include "sim/win32/SimHost.h"
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
// machine before the drive-access object is built, `adjust` the options and the output.
// The command line on the installed host, its streams captured.
CliResult RunCaptured(CliOptions options,
                      const std::function<void(CliOptions&, CliOutput&)>& adjust = {}) {
  AspiVCL drive;
  toolkit::ScopedApplication app;
  Captured out, err;
  CliOutput output;
  output.out = out.get();
  output.err = err.get();
  if (adjust) adjust(options, output);
  const int status = RunCli(options, drive, output);
  return {status, out.Text(), err.Text()};
}

template <class Prepare>
CliResult RunCommandLine(const std::vector<std::string>& args, Prepare prepare,
                         const std::function<void(CliOptions&, CliOutput&)>& adjust = {}) {
  CliParse parse = ParseCliOptions(args);
  EXPECT_EQ(parse.error, "");
  EXPECT_EQ(CheckFields(parse.options), "");
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  prepare(machine);
  return RunCaptured(parse.options, adjust);
}
CliResult RunCommandLine(const std::vector<std::string>& args) {
  return RunCommandLine(args, [](sim::DemoMachine&) {});
}

// The same on a machine of the given profile.
CliResult RunOnProfile(const std::vector<std::string>& args, sim::SimProfile profile) {
  const CliParse parse = ParseCliOptions(args);
  sim::SimHost host(std::move(profile.WithClock(sim::ClockMode::Virtual)));
  platform::ScopedHost installed(host);
  return RunCaptured(parse.options);
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
  // A saved report says which drive and disc it measured; progress stays off a pipe.
  EXPECT_TRUE(Contains(r.out,
                       "Drive: D: [0,0]  VELMSIM   CD-ROM SIM-52X    1.00\n"
                       "CD Recorded Capacity = 359775    (79:59:00)\n"
                       "StartAddress : 349773\n"));
  EXPECT_TRUE(Contains(r.out, "BURST : 60.00 x\nTest Done\n"));
  EXPECT_EQ(r.err, "");
}

TEST(CliRunTest, ListRangeModeAndDisplayOptions) {
  const CliResult list = RunCommandLine({"--sim", "--list"});
  EXPECT_EQ(list.status, kExitDone);
  // The row text first, as scripts read it; then the drive's address, state and disc.
  EXPECT_EQ(list.out,
            "0  D: [0,0]  VELMSIM   CD-ROM SIM-52X    1.00  sim:0:0  ready  disc of 359775 blocks "
            "(79:57:00)\n"
            "1  E: [0,1]  VELMSIM   CD-ROM SIM-40X    2.10  sim:0:1  ready  disc of 333000 blocks "
            "(74:00:00)\n"
            "2  F: [1,0]  VELMSIM   CLV SIM-32X       1.20  sim:1:0  ready  disc of 359775 blocks "
            "(79:57:00)\n"
            "3  G: [1,1]  VELMSIM   PCAV SIM-40X      1.30  sim:1:1  ready  disc of 359775 blocks "
            "(79:57:00)\n"
            "4  H: [2,0]  VELMSIM   ZCLV SIM-48X      1.40  sim:2:0  ready  disc of 359775 blocks "
            "(79:57:00)\n");
  const CliResult empty =
      RunCommandLine({"--sim", "--list"}, [](sim::DemoMachine& m) { m.audioDrive().EjectDisc(); });
  EXPECT_TRUE(Contains(empty.out,
                       "\n1  E: [0,1]  VELMSIM   CD-ROM SIM-40X    2.10  sim:0:1  "
                       "not ready  no disc\n"))
      << empty.out;

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
  EXPECT_TRUE(Contains(noRow.err, "there is no drive 5: the list has 5 (0 to 4)")) << noRow.err;

  // A field that is no number is refused before any drive is looked at, naming its option.
  EXPECT_EQ(CheckFields(ParseCliOptions({"--sim", "--start", "abc"}).options),
            "--start: 'abc' is not a valid integer value");

  const CliResult noDisc = RunCommandLine({"--sim", "--wait", "2"},
                                          [](sim::DemoMachine& m) { m.dataDrive().EjectDisc(); });
  EXPECT_EQ(noDisc.status, kExitNoDrive);
  EXPECT_TRUE(Contains(noDisc.err, "Waiting for the drive: No CD Present"));
  EXPECT_TRUE(Contains(noDisc.err, "The drive did not become ready within 2 s: No CD Present"));
  // A chosen drive that is not ready gives up as the first one does (it used to wait for ever).
  const CliResult noDiscChosen =
      RunCommandLine({"--sim", "--drive", "1", "--wait", "0"},
                     [](sim::DemoMachine& m) { m.audioDrive().EjectDisc(); });
  EXPECT_EQ(noDiscChosen.status, kExitNoDrive);
  EXPECT_TRUE(Contains(noDiscChosen.err, "within 0 s: No CD Present")) << noDiscChosen.err;

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
  sim::DemoMachine machine(sim::ClockMode::Virtual, false);
  AspiVCL drive;  // the scan and the start-up probes send their commands
  EXPECT_GE(drive.DeviceCount, 2);
  EXPECT_TRUE(machine.host().records()->passThroughCalls.empty());
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
  EXPECT_TRUE(Contains(run.out, "Drive: D: [0,0]  \\x1B]0;X\\x07")) << run.out;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
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
  const CliResult r = RunCaptured(ParseCliOptions({"--wait", "300"}).options);
  EXPECT_EQ(r.status, kExitNoDrive);
  EXPECT_TRUE(Contains(r.out, "Drive: D: [0,0]  VELMSIM")) << r.out;
  EXPECT_TRUE(Contains(r.err, "Drive stopped responding")) << r.err;
  EXPECT_LT(host.Milliseconds() - begin, 3u * 47000u);
}

TEST(CliRunTest, TheRangeIsCheckedAgainstTheDiscBeforeReading) {
  const CliResult past = RunCommandLine({"--sim", "--start", "400000"});
  EXPECT_EQ(past.status, kExitUsage);
  EXPECT_TRUE(Contains(past.err, "--start: block 400000 is not on the disc")) << past.err;
  EXPECT_FALSE(Contains(past.out, "Set CD Speed"));  // nothing was read

  const CliResult end = RunCommandLine({"--sim", "--start", "359770"});
  EXPECT_EQ(end.status, kExitDone);
  EXPECT_TRUE(Contains(end.err, "so 3 blocks are read (359770 to 359772")) << end.err;
  EXPECT_TRUE(Contains(end.out, "BlockAmount : 3\n"));
  EXPECT_TRUE(Contains(end.out, "KB Processed : 6\n"));
  EXPECT_FALSE(Contains(end.out, "Failed"));

  // --wait 0 asks the drive once and does not wait further.
  const CliResult once = RunCommandLine({"--sim", "--wait", "0", "--blocks", "270"});
  EXPECT_EQ(once.status, kExitDone) << once.err;
  const CliResult empty = RunCommandLine({"--sim", "--wait", "0"},
                                         [](sim::DemoMachine& m) { m.dataDrive().EjectDisc(); });
  EXPECT_EQ(empty.status, kExitNoDrive);
  EXPECT_TRUE(Contains(empty.err, "did not become ready within 0 s: No CD Present")) << empty.err;
}

TEST(CliRunTest, InterruptClicksAbortAndTheFiguresSoFarArePrinted) {
  int calls = 0;
  const CliResult r = RunCommandLine(
      {"--sim"}, [](sim::DemoMachine&) {},
      [&](CliOptions&, CliOutput& output) {
        // Ctrl-C well into the timed read.
        output.interrupted = [&] { return ++calls > 150; };
      });
  EXPECT_EQ(r.status, kExitResultsIgnored);
  EXPECT_TRUE(Contains(r.out, "Abort Requested ...\nSeconds : ")) << r.out;
  EXPECT_TRUE(Contains(r.out, "Results should be ignored !\nAverage Measured Velmark : "));
  EXPECT_FALSE(Contains(r.out, "KB Processed : 20000"));  // stopped before the end
}

// --quiet: the notes go from the error stream, the errors stay.
TEST(CliRunTest, QuietKeepsOnlyTheErrors) {
  const auto quiet = [](CliOptions&, CliOutput& output) { output.quiet = true; };
  const auto eject = [](sim::DemoMachine& m) { m.dataDrive().EjectDisc(); };
  const auto asIs = [](sim::DemoMachine&) {};
  const struct {
    std::vector<std::string> args;
    bool noDisc;
    int status;
    const char* err;  // the whole error stream
  } cases[] = {
      {{"--sim", "--start", "359770", "--blocks", "100"}, false, kExitDone, ""},  // shortened
      {{"--sim", "--drive", "7"},
       false,
       kExitNoDrive,
       "velmark-cli: there is no drive 7: the list has 5 (0 to 4)\n"},
      {{"--sim", "--start", "359775"},
       false,
       kExitUsage,
       "velmark-cli: --start: block 359775 is not on the disc: the disc records 359775 blocks (0 "
       "to 359774).\n"},
      {{"--sim", "--wait", "0"},
       true,
       kExitNoDrive,
       "The drive did not become ready within 0 s: No CD Present\n"},
  };
  for (const auto& c : cases) {
    const CliResult r =
        c.noDisc ? RunCommandLine(c.args, eject, quiet) : RunCommandLine(c.args, asIs, quiet);
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_EQ(r.err, c.err) << c.args[1];
  }
}

TEST(CliRunTest, DeviceNamesTheDriveByLetter) {
  auto device = [](const char* name) {
    return [name](CliOptions& options, CliOutput&) { options.device = name; };
  };
  const CliResult e = RunCommandLine(
      {"--sim", "--blocks", "270"}, [](sim::DemoMachine&) {}, device("e:"));
  EXPECT_EQ(e.status, kExitDone);
  EXPECT_TRUE(Contains(e.out, "Drive: E: [0,1]")) << e.out;
  const CliResult f = RunCommandLine(
      {"--sim"}, [](sim::DemoMachine&) {}, device("J:"));
  EXPECT_EQ(f.status, kExitNoDrive);
  EXPECT_TRUE(Contains(f.err, "--device J:")) << f.err;
  EXPECT_TRUE(Contains(f.err, "the simulated machine has no such drive; its drives are D: to H:"))
      << f.err;
}

TEST(CliRunTest, JsonCarriesTheRecordAndTheInterrupt) {
  Captured json;
  int calls = 0;
  const CliResult r = RunCommandLine(
      {"--sim", "--no-display"}, [](sim::DemoMachine&) {},
      [&](CliOptions&, CliOutput& output) {
        output.json = json.get();
        output.interrupted = [&] { return ++calls > 150; };
      });
  EXPECT_EQ(r.status, kExitResultsIgnored);
  const nlohmann::json j = nlohmann::json::parse(json.Text());
  EXPECT_EQ(j["drive"]["letter"], "D:");
  EXPECT_EQ(j["drive"]["product"], "CD-ROM SIM-52X");
  EXPECT_EQ(j["disc"]["capacity_blocks"], 359775);
  EXPECT_EQ(j["mode"], "data");
  EXPECT_EQ(j["range"]["start"], 349773);
  EXPECT_EQ(j["range"]["blocks"], 10000);
  EXPECT_TRUE(j["burst_x"].is_null());  // none is computed with the display off
  EXPECT_EQ(j["aborted"], "Abort Requested (Ctrl-C)");
  EXPECT_LT(j["kib"].get<double>(), 20000);
  for (const char* key : {"version", "date", "seconds", "average_kib_per_s", "kib_per_x",
                          "average_x", "highest_x", "failed_commands"})
    EXPECT_TRUE(j.contains(key)) << key;
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
