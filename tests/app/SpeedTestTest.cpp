#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/WindowFixture.h"

namespace {

using apptest::kGreen;
using apptest::kNavy;
using apptest::kRed;
using apptest::ReportLine;
using apptest::TestDrive;
using apptest::Window;

std::shared_ptr<TestDrive> Drive(sim::Disc disc) {
  sim::SimDriveConfig c;
  c.timing = sim::DriveTiming::Cav(52.0, 40.0);
  c.disc = std::move(disc);
  return std::make_shared<TestDrive>(c);
}

// A window whose drive is ready and whose range fields hold `start` and `amount`.
struct ReadyWindow {
  explicit ReadyWindow(std::shared_ptr<TestDrive> d, const char* start = "1000",
                       const char* amount = "100")
      : drive(std::move(d)), w(Window::Machine({drive})) {
    w.Tick();
    EXPECT_TRUE(w.form->StartButton->Enabled());
    w.form->Edit1->UserSetText(start);
    w.form->Edit2->UserSetText(amount);
  }
  std::shared_ptr<TestDrive> drive;
  Window w;
};

struct WorkedCase {
  const char* name;
  int mode;  // radio group item
  const char* amount;
  std::uint64_t readMicros;      // service time of every READ command
  std::vector<ReportLine> tail;  // the report from "Starting test ..." on
};

TEST(SpeedTestTest, WorkedFiguresThroughTheWindow) {
  const WorkedCase cases[] = {
      {"data, 100 blocks in one second",
       0,
       "100",
       250000,
       {{"Starting test ...", kGreen, true},
        {"Seconds : 1.00", kGreen, false},
        {"KB Processed : 200", kGreen, false},
        {"Average KB/Seconds : 200", kGreen, false},
        {"Conversion factor : 1x = 150 KB/sec", kGreen, false},
        {"Average Measured Velmark : 1.33 x", kNavy, true},
        {"Highest Measured Velmark : 1.33 x", kNavy, true},
        {"Highest Measured (single command) BURST : 1.44 x", kNavy, true}}},
      {"raw, 100 blocks in one second",
       1,
       "100",
       250000,
       {{"Starting test ...", kGreen, true},
        {"Seconds : 1.00", kGreen, false},
        {"KB Processed : 229", kGreen, false},
        {"Average KB/Seconds : 229", kGreen, false},
        {"Conversion factor : 1x = 172 KB/sec", kGreen, false},
        {"Average Measured Velmark : 1.34 x", kNavy, true},
        {"Highest Measured Velmark : 1.34 x", kNavy, true},
        {"Highest Measured (single command) BURST : 1.44 x", kNavy, true}}},
      // 27 blocks every 20 ms: burst and current speed 18.00 x (data), 18.03 x (raw).
      {"data, 27 blocks per 20 ms",
       0,
       "108",
       20000,
       {{"Starting test ...", kGreen, true},
        {"Seconds : 0.08", kGreen, false},
        {"KB Processed : 216", kGreen, false},
        // 80 ms is 0.08 s rounded once to single precision: 216 KB / 0.08 s is 2700 exactly.
        {"Average KB/Seconds : 2700", kGreen, false},
        {"Conversion factor : 1x = 150 KB/sec", kGreen, false},
        {"Average Measured Velmark : 18.00 x", kNavy, true},
        {"Highest Measured Velmark : 18.00 x", kNavy, true},
        {"Highest Measured (single command) BURST : 18.00 x", kNavy, true}}},
      {"raw, 27 blocks per 20 ms",
       1,
       "108",
       20000,
       {{"Starting test ...", kGreen, true},
        {"Seconds : 0.08", kGreen, false},
        {"KB Processed : 248", kGreen, false},
        {"Average KB/Seconds : 3100", kGreen, false},
        {"Conversion factor : 1x = 172 KB/sec", kGreen, false},
        {"Average Measured Velmark : 18.03 x", kNavy, true},
        {"Highest Measured Velmark : 18.03 x", kNavy, true},
        {"Highest Measured (single command) BURST : 18.03 x", kNavy, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReadyWindow r(Drive(sim::Disc::Data()), "1000", c.amount);
    r.w.form->RadioGroup->SetItemIndex(c.mode);
    r.drive->readMicros = c.readMicros;
    r.w.ClickStart();
    const auto report = r.w.Report();
    ASSERT_GE(report.size(), 4u + c.tail.size());
    EXPECT_EQ(report[0], (ReportLine{"StartAddress : 1000", kNavy, false}));
    EXPECT_EQ(report[1], (ReportLine{std::string("BlockAmount : ") + c.amount, kNavy, false}));
    EXPECT_EQ(report[2], (ReportLine{"Set CD Speed", kGreen, false}));
    EXPECT_EQ(report[3], (ReportLine{"Spinning Up Drive", kGreen, false}));
    const std::vector<ReportLine> tail(report.begin() + 4, report.end());
    EXPECT_EQ(tail, c.tail);
    EXPECT_EQ(r.w.form->StateDisplayPanel->Caption(), "Average");
    EXPECT_EQ(r.w.form->StatusBar->SimpleText(), "Test Done");
    EXPECT_TRUE(r.w.form->Timer->Enabled());
    EXPECT_FALSE(r.w.form->TestRunning());
  }
}

TEST(SpeedTestTest, DataModeOnAnAudioRangeFallsBackToRaw) {
  ReadyWindow r(Drive(sim::Disc::Audio({sim::Disc::Blocks(60, 0)})), "1000", "270");
  r.w.ClickStart();
  const ReportLine fallBack = r.w.LineStarting("Trying RAW mode");
  EXPECT_EQ(fallBack,
            (ReportLine{"Trying RAW mode, these blocks don't seem to contain Data", kNavy, false}));
  EXPECT_EQ(r.w.form->RadioGroup->ItemIndex(), 1);
  EXPECT_EQ(r.w.LineStarting("Conversion factor").text, "Conversion factor : 1x = 172 KB/sec");
  EXPECT_EQ(r.w.LineStarting("KB Processed").text, "KB Processed : 620");  // 270 x 2352 / 1024
  // The fall-back happens once and stays after the run.
  int fallBacks = 0;
  for (const auto& l : r.w.Report()) fallBacks += l.text == fallBack.text;
  EXPECT_EQ(fallBacks, 1);
}

// Every READ CD and READ(10) fails with 05/64/00.
bool IllegalModeReads(const sim::ScsiRequest& r, sim::ScsiReply& reply) {
  if (r.cdb[0] != 0x28 && r.cdb[0] != 0xBE) return false;
  reply = TestDrive::Check(0x05, 0x64, 0x00);
  return true;
}

TEST(SpeedTestTest, IllegalModeThroughAllPassesAborts) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    ReadyWindow r(Drive(sim::Disc::Data()));
    r.w.form->RadioGroup->SetItemIndex(mode);
    r.drive->hook = IllegalModeReads;
    r.w.ClickStart();
    std::vector<ReportLine> expected = {
        {"StartAddress : 1000", kNavy, false},
        {"BlockAmount : 100", kNavy, false},
        {"Set CD Speed", kGreen, false},
        {"Spinning Up Drive", kGreen, false},
    };
    // Raw mode from the start never shows the fall-back.
    if (mode == 0)
      expected.push_back(
          {"Trying RAW mode, these blocks don't seem to contain Data", kNavy, false});
    expected.push_back({"Aborting due to Illegal Mode for this track 05/64/00", kRed, true});
    EXPECT_EQ(r.w.Report(), expected);
    EXPECT_EQ(r.w.form->AbortFlag, 1);
    EXPECT_EQ(r.w.form->StateDisplayPanel->Caption(), "Current");
    // The spin-up stops at the first failing read of each pass: two attempts, five passes.
    EXPECT_EQ(r.drive->reads, 10);
    EXPECT_TRUE(r.w.form->LastTest().aborted);
    EXPECT_FALSE(r.w.form->LastTest().timedRead);
  }
}

TEST(SpeedTestTest, NoMediaAbortsAndCheckedBoxLeavesProcessing) {
  ReadyWindow r(Drive(sim::Disc::Data()));
  r.w.form->CheckBox->SetChecked(true);
  r.drive->inner().EjectDisc();
  r.w.ClickStart();
  const std::vector<ReportLine> expected = {
      {"StartAddress : 1000", kNavy, false},
      {"BlockAmount : 100", kNavy, false},
      {"Set CD Speed", kGreen, false},
      {"Spinning Up Drive", kGreen, false},
      {"Aborting due to No Media Present 02/3A/00", kRed, true},
  };
  EXPECT_EQ(r.w.Report(), expected);
  EXPECT_EQ(r.w.form->AbortFlag, 1);
  EXPECT_EQ(r.w.form->StateDisplayPanel->Caption(), "Processing");
  EXPECT_EQ(r.w.form->StatusBar->SimpleText(), "Test in progress");
}

TEST(SpeedTestTest, AbortDuringTheTimedReadAtTheNthPump) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "1000");
  r.drive->readMicros = 20000;
  TForm1* f = r.w.form;
  f->StartButton->PostClick();
  // Pump 1 runs the click; the run pumps at its step 2 (2) and step 10 (3), then once in
  // every progress callback: pump 6 is the third command's callback.
  r.w.app().PostAtPump(6, [f] { f->AbortButton->UserClick(); });
  r.w.app().ProcessMessages();
  EXPECT_EQ(f->LastTest().blocksDone, 81u);  // the command after which the abort was seen
  EXPECT_TRUE(f->LastTest().aborted);
  EXPECT_TRUE(r.w.HasLine("Abort Requested ..."));
  EXPECT_EQ(r.w.LineStarting("Results should be ignored"),
            (ReportLine{"Results should be ignored !", kRed, true}));
  EXPECT_FALSE(r.w.HasLine("Errors encountered during test !"));
  EXPECT_EQ(r.w.LineStarting("KB Processed").text, "KB Processed : 162");
  EXPECT_EQ(r.w.LineStarting("Average Measured").text, "Average Measured Velmark : 18.00 x");
}

TEST(SpeedTestTest, AbortClickedDuringSetUpStopsAfterTheFirstCommand) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "1000");
  TForm1* f = r.w.form;
  // The user clicks Abort while the drive spins up; the click waits in the queue until
  // the run processes messages again (step 10).
  bool posted = false;
  r.drive->hook = [&](const sim::ScsiRequest& q, sim::ScsiReply&) {
    if (q.cdb[0] == 0x2B && f->TestRunning() && !posted) {
      f->AbortButton->PostClick();
      posted = true;
    }
    return false;
  };
  r.w.ClickStart();
  ASSERT_TRUE(posted);
  EXPECT_TRUE(f->LastTest().timedRead);
  EXPECT_EQ(f->LastTest().blocksDone, 27u);
  EXPECT_TRUE(r.w.HasLine("Results should be ignored !"));
  EXPECT_EQ(f->AbortFlag, 1);
}

TEST(SpeedTestTest, AbortAtTheFirstMessagePumpEndsTheRunAtSetUp) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "1000");
  TForm1* f = r.w.form;
  f->StartButton->PostClick();
  r.w.app().PostAtPump(2, [f] { f->AbortButton->UserClick(); });  // the run's step 2
  r.w.app().ProcessMessages();
  const std::vector<ReportLine> expected = {
      {"StartAddress : 1000", kNavy, false}, {"BlockAmount : 1000", kNavy, false},
      {"Abort Requested ...", kRed, true},   {"Set CD Speed", kGreen, false},
      {"Spinning Up Drive", kGreen, false},
  };
  EXPECT_EQ(r.w.Report(), expected);
  EXPECT_FALSE(f->LastTest().timedRead);
  EXPECT_EQ(f->StateDisplayPanel->Caption(), "Current");
  EXPECT_EQ(f->AbortFlag, 1);
}

TEST(SpeedTestTest, FailedCommandsAreReportedCountedAndTreatedAsDone) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "270");
  r.drive->readMicros = 20000;
  r.w.Tick();
  // The third command of the timed read (LBA 1054) fails every time.
  bool timed = false;
  r.drive->hook = [&](const sim::ScsiRequest& q, sim::ScsiReply& reply) {
    const LONG lba = (q.cdb[2] << 24) | (q.cdb[3] << 16) | (q.cdb[4] << 8) | q.cdb[5];
    if (q.cdb[0] == 0x28 && lba == 1000 && q.cdb[8] == 27) timed = true;
    if (!timed || q.cdb[0] != 0x28 || lba != 1054) return false;
    reply = TestDrive::Check(0x03, 0x11, 0x00);
    return true;
  };
  r.w.ClickStart();
  EXPECT_EQ(r.w.LineStarting("Read ("),
            (ReportLine{"Read (1054, 27) Failed with 03/11/00", kRed, false}));
  EXPECT_EQ(r.w.LineStarting("Errors"),
            (ReportLine{"Errors encountered during test !", kRed, true}));
  EXPECT_TRUE(r.w.HasLine("Results should be ignored !"));
  EXPECT_EQ(r.w.form->LastTest().errorCount, 1);
  EXPECT_EQ(r.w.form->LastTest().blocksDone, 270u);
  EXPECT_FALSE(r.w.form->LastTest().aborted);
}

TEST(SpeedTestTest, CheckedBoxShowsNoCurrentSpeedAndNoHighestLines) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "540");
  r.w.form->CheckBox->SetChecked(true);
  std::vector<std::string> captions;
  TForm1* f = r.w.form;
  r.drive->hook = [&](const sim::ScsiRequest&, sim::ScsiReply&) {
    captions.push_back(f->Velmark->Caption());
    return false;
  };
  r.w.ClickStart();
  for (const auto& c : captions) EXPECT_EQ(c, "x");
  EXPECT_FALSE(r.w.LineStarting("Highest").text.size());
  EXPECT_EQ(r.w.Report().back().text.rfind("Average Measured Velmark : ", 0), 0u);
}

TEST(SpeedTestTest, FewerThanFourCommandsGiveNoHighestSpeedButABurst) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "81");
  r.drive->readMicros = 20000;
  r.w.ClickStart();
  EXPECT_EQ(r.w.LineStarting("Highest Measured Velmark").text, "");
  EXPECT_EQ(r.w.Report().back(),
            (ReportLine{"Highest Measured (single command) BURST : 18.00 x", kNavy, true}));
}

TEST(SpeedTestTest, ReadWithinOneMillisecondNeverShowsAnInfiniteSpeed) {
  // A drive that serves everything from its cache in no time.
  sim::SimDriveConfig c;
  c.timing = sim::DriveTiming::ZeroLatency();
  c.disc = sim::Disc::Data();
  auto d = std::make_shared<TestDrive>(c);
  ReadyWindow r(d, "1000", "540");
  r.w.ClickStart();
  EXPECT_EQ(r.w.LineStarting("Seconds").text, "Seconds : 0.00");
  // 540 blocks x 2 KB in the 1 ms the run is taken to last.
  EXPECT_EQ(r.w.LineStarting("Average Measured").text, "Average Measured Velmark : 7200.00 x");
  // No display group could be measured: no highest speed line, and the panel never showed
  // an infinite value. The burst uses the 0.9 ms interval.
  EXPECT_EQ(r.w.LineStarting("Highest Measured Velmark").text, "");
  EXPECT_EQ(r.w.LineStarting("Highest Measured (single").text,
            "Highest Measured (single command) BURST : 400.00 x");
  for (const auto& l : r.w.Report()) {
    EXPECT_EQ(l.text.find("inf"), std::string::npos) << l.text;
    EXPECT_EQ(l.text.find("nan"), std::string::npos) << l.text;
  }
}

TEST(SpeedTestTest, SecondStartDuringARunIsRefused) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "270");
  TForm1* f = r.w.form;
  f->StartButton->PostClick();
  bool running = false;
  r.w.app().PostAtPump(5, [&] {
    running = f->TestRunning();
    f->StartButton->Click();  // by program too: refused while the run is on
  });
  r.w.app().ProcessMessages();
  EXPECT_TRUE(running);
  int starts = 0;
  for (const auto& l : r.w.Report()) starts += l.text == "Starting test ...";
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(r.w.LineStarting("KB Processed").text, "KB Processed : 540");
  EXPECT_FALSE(f->TestRunning());
}

TEST(SpeedTestTest, HelpDuringATestWritesTheAboutTextAmidTheRun) {
  ReadyWindow r(Drive(sim::Disc::Data()), "1000", "540");
  TForm1* f = r.w.form;
  f->StartButton->PostClick();
  r.w.app().PostAtPump(5, [f] { f->HelpButton->UserClick(); });
  r.w.app().ProcessMessages();
  const auto texts = r.w.ReportTexts();
  ASSERT_GT(texts.size(), 11u);
  EXPECT_EQ(texts[0], "Simple Velmark Measuring Tool");  // the run's first lines are gone
  EXPECT_EQ(texts[10], "https://tessaly.example/velmark");
  EXPECT_EQ(texts[11].rfind("Seconds : ", 0), 0u);  // the run carries on below
  EXPECT_EQ(r.w.LineStarting("KB Processed").text, "KB Processed : 1080");
}

TEST(SpeedTestTest, DriveChangeDuringATestMovesTheFieldsButReadsTheFirstDrive) {
  auto d = Drive(sim::Disc::Data());
  auto e = Drive(sim::Disc::Audio({sim::Disc::Blocks(40, 0)}));
  Window w(Window::Machine({d, e}));
  w.Tick();
  w.form->Edit1->UserSetText("1000");
  w.form->Edit2->UserSetText("540");
  TForm1* f = w.form;
  f->StartButton->PostClick();
  w.app().PostAtPump(6, [f] { f->ComboBox->UserSelect(1); });
  const int eReadsBefore = e->reads;
  w.app().ProcessMessages();
  EXPECT_EQ(f->CDSize->Caption(), "CD Recorded Capacity = 180000    (40:02:00)");
  EXPECT_EQ(f->Edit1->Text(), "169998");
  EXPECT_EQ(e->reads, eReadsBefore);  // the run kept to its drive
  EXPECT_EQ(f->LastTest().blocksDone, 540u);
  EXPECT_TRUE(w.HasLine("KB Processed : 1080"));
}

TEST(SpeedTestTest, FieldThatDoesNotConvertStopsTheRunBeforeTheDrive) {
  for (const char* text : {"abc", "", "12x"}) {
    SCOPED_TRACE(text);
    ReadyWindow r(Drive(sim::Disc::Data()));
    TForm1* f = r.w.form;
    f->Velmark->SetCaption("1.00 x");
    f->AbortFlag = 1;
    f->Edit2->PostText(text);  // the change handler's own box comes first
    r.w.app().ProcessMessages();
    const size_t boxes = r.w.host().MessageBoxes().size();
    const size_t commands = r.drive->inner().ReceivedCount();
    r.w.ClickStart();
    const auto box = r.w.host().MessageBoxes();
    ASSERT_EQ(box.size(), boxes + 1);
    EXPECT_EQ(box.back().text, std::string("'") + text + "' is not a valid integer value");
    EXPECT_EQ(box.back().caption, "Velmark");
    EXPECT_EQ(box.back().type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(r.drive->inner().ReceivedCount(), commands);
    EXPECT_EQ(f->AbortFlag, 0);
    EXPECT_EQ(f->Velmark->Caption(), "x");
    EXPECT_EQ(f->RichEdit->LineCount(), 0);
    EXPECT_FALSE(f->TestRunning());
  }
}

}  // namespace
