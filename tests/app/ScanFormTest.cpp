// The scan window on the demo machine (virtual clock): the curve drawn while it is read,
// the strategy of each demo drive, Abort and its states, the figures of a stopped scan,
// saving and opening, the layout at the smallest and a large size, and fields that are
// not numbers. The scan runs on its own thread; these tests hold it at each command until
// the window has handled what it posted, so the virtual clock cannot run ahead of the
// window.
#include "app/ScanForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Host.h"
#include "report/AudioCheckWriters.h"
#include "report/plot/SurfaceMap.h"
#include "scan/AudioCheck.h"
#include "scan/DiscScan.h"
#include "sim/win32/DemoMachine.h"

namespace {

using namespace toolkit;

// Follows the graph as the view would: the number of speed points at every change.
class GraphWatcher : public TControlObserver {
 public:
  void ControlChanged(TControl& control, TChange change) override {
    if (auto* bar = dynamic_cast<TStatusBar*>(&control); bar != nullptr && onStatus) {
      if (change == TChange::Text) onStatus(bar->SimpleText());
      return;
    }
    auto* graph = dynamic_cast<TGraph*>(&control);
    if (graph == nullptr || change != TChange::Graph) return;
    const auto& series = graph->Model().Series;
    counts.push_back(series.empty() ? 0 : series[0].Points.size());
    if (onChange) onChange(counts.back());
  }
  void ControlDestroyed(TControl&) override {}
  std::vector<std::size_t> counts;
  std::function<void(std::size_t)> onChange;
  std::function<void(const std::string&)> onStatus;
};

// Holds the scan's thread at every command while the window has posts of it to handle.
class Lockstep : public platform::CommandObserver {
 public:
  explicit Lockstep(TApplication& app) : app_(app) {}
  void OnCommand(const platform::CommandTrace&) override {
    if (std::this_thread::get_id() == window_) return;
    while (app_.PendingThreadPosts() > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(50));
  }

 private:
  TApplication& app_;
  std::thread::id window_ = std::this_thread::get_id();
};

class ScanFormTest : public ::testing::Test {
 protected:
  explicit ScanFormTest(sim::DemoProfile profile = sim::DemoProfile::Default)
      : machine(sim::ClockMode::Virtual, false, profile) {}

  sim::DemoMachine machine;
  AspiVCL drive;
  ScopedApplication app;
  TScanForm* form = new TScanForm(&*app, drive);
  GraphWatcher watcher;
  Lockstep lockstep{*app};

  void SetUp() override {
    form->AddObserver(&watcher);
    machine.host().SetCommandObserver(&lockstep);
  }
  void TearDown() override {
    form->StopScan();
    form->RemoveObserver(&watcher);
    machine.host().SetCommandObserver(nullptr);
  }

  void Choose(const std::string& product) {
    for (int i = 0; i < form->DriveList->Items().Count(); ++i) {
      if (form->DriveList->Items()[i].find(product) != std::string::npos) {
        form->DriveList->SetItemIndex(i);
        return;
      }
    }
    FAIL() << "no drive " << product;
  }
  // Clicks Start and runs the message loop until the scan has ended.
  void Start() {
    form->StartButton->PostClick();
    app->ProcessMessages();
    while (form->Scanning()) app->HandleMessage();
  }
  // Answers the next file dialog with `path` (empty: cancelled).
  void AnswerDialog(const std::string& path) {
    app->SetFileDialogHandler([path](TFileDialogRequest& request) {
      request.fileName = path;
      return !path.empty();
    });
  }
  std::string StatusText() const { return form->StatusBar->SimpleText(); }
};

TEST_F(ScanFormTest, EachDemoDriveIsScannedLiveAndItsStrategyNamed) {
  const struct {
    const char* product;
    const char* strategy;
  } drives[] = {{"SIM-52X", "Strategy: CAV"},
                {"CLV SIM-32X", "Strategy: CLV"},
                {"PCAV SIM-40X", "Strategy: P-CAV"},
                {"ZCLV SIM-48X", "Strategy: Z-CLV"}};
  for (const auto& d : drives) {
    SCOPED_TRACE(d.product);
    Choose(d.product);
    watcher.counts.clear();
    Start();
    ASSERT_TRUE(form->Record().curve.has_value());
    const report::CurveResult& curve = *form->Record().curve;
    EXPECT_FALSE(curve.aborted) << curve.abortReason;
    ASSERT_GE(curve.samples.size(), 100u);
    const std::vector<std::string> figures = form->FigureTexts();
    ASSERT_FALSE(figures.empty());
    EXPECT_EQ(figures[0], d.strategy);
    EXPECT_EQ(StatusText().rfind("Done in", 0), 0u) << StatusText();
    // Drawn while read: the graph went through every count of points up to the last.
    std::size_t seen = 0;
    for (std::size_t c : watcher.counts)
      if (c == seen + 1) seen = c;
    EXPECT_EQ(seen, curve.samples.size());
    EXPECT_EQ(form->Graph->Model().Series[0].Points.size(), curve.samples.size());
    EXPECT_NE(form->Graph->Model().Title.find(d.product), std::string::npos);
    EXPECT_TRUE(form->StartButton->Enabled());
    EXPECT_FALSE(form->AbortButton->Enabled());
    EXPECT_TRUE(form->SaveButton->Enabled());
  }
}

TEST_F(ScanFormTest, AbortStopsTheCurveAfterTheCurrentSample) {
  Choose("SIM-52X");
  // Once: a scan stopped right after its 10th sample draws 10 points again at its end.
  bool clicked = false;
  watcher.onChange = [this, &clicked](std::size_t points) {
    if (points == 10 && !clicked) {
      clicked = true;
      EXPECT_TRUE(form->AbortButton->Enabled());
      EXPECT_FALSE(form->StartButton->Enabled());
      form->AbortButton->UserClick();
    }
  };
  Start();
  ASSERT_TRUE(form->Record().curve.has_value());
  EXPECT_TRUE(form->Record().curve->aborted);
  EXPECT_LE(form->Record().curve->samples.size(), 11u);
  EXPECT_LE(form->Record().curve->samples.size(), form->SamplesReadAtAbort() + 1);
  EXPECT_EQ(StatusText().rfind("Aborted: stopped after", 0), 0u) << StatusText();
  EXPECT_EQ(form->FigureTexts()[0], "Strategy: -");
  EXPECT_TRUE(form->StartButton->Enabled());
}

TEST_F(ScanFormTest, AbortStopsTheAccessAndSpinUpTimesPromptly) {
  // Each phase is aborted as soon as it says it started; the rest of it must not run. In
  // full, the access times take seconds and the spin-up over 4 s of the drive's clock.
  const struct {
    const char* phase;  // the status that starts it
    bool accessAborted;
    bool spinUpAborted;
  } cases[] = {{"Timing accesses", true, false}, {"Stopping the disc", false, true}};
  Choose("SIM-52X");
  form->BlocksEdit->SetText("27000");
  form->AccessCheck->SetChecked(true);
  form->SpinUpCheck->SetChecked(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.phase);
    DWORD clicked = 0;
    watcher.onStatus = [&](const std::string& text) {
      if (clicked != 0 || text.rfind(c.phase, 0) != 0) return;
      clicked = platform::CurrentHost().Milliseconds();
      form->AbortButton->UserClick();
    };
    Start();
    watcher.onStatus = nullptr;
    ASSERT_NE(clicked, 0u);
    EXPECT_LT(platform::CurrentHost().Milliseconds() - clicked, 500u);
    const report::ScanRecord& r = form->Record();
    EXPECT_FALSE(r.curve->aborted);
    ASSERT_TRUE(r.access.has_value());
    EXPECT_EQ(r.access->aborted, c.accessAborted);
    EXPECT_LE(r.access->timed.size(), c.accessAborted ? 1u : 24u);
    EXPECT_EQ(r.spinUpAborted, c.spinUpAborted);
    EXPECT_FALSE(r.spinUpMs.has_value());
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(StatusText().rfind("Aborted: stopped after", 0), 0u) << StatusText();
    EXPECT_NE(StatusText().find("Aborted"), std::string::npos) << StatusText();
    EXPECT_TRUE(form->StartButton->Enabled());
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(ScanFormTest, SavesCsvAndJsonAndSaysWhatItCannotSave) {
  Choose("CLV SIM-32X");
  form->BlocksEdit->SetText("27000");
  Start();
  ASSERT_TRUE(form->Record().curve.has_value());
  const std::string dir = ::testing::TempDir();
  const struct {
    std::string path;
    std::string status;   // the status bar after Save
    std::string content;  // what the file starts with ("": no file)
  } cases[] = {
      {dir + "scan.csv", "Saved " + dir + "scan.csv", "lba,"},
      {dir + "scan.json", "Saved " + dir + "scan.json", "{"},
      {dir + "scan.png", "Pictures are not available in this program.", ""},
      {dir + "scan.txt", "A file name ending in .png, .svg, .csv or .json chooses what is saved.",
       ""},
      {"/nonexistent-velmark-dir/scan.csv", "Cannot write /nonexistent-velmark-dir/scan.csv.", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::remove(c.path.c_str());
    AnswerDialog(c.path);
    form->SaveButton->PostClick();
    app->ProcessMessages();
    EXPECT_EQ(StatusText(), c.status);
    if (!c.content.empty()) {
      EXPECT_EQ(ReadAll(c.path).substr(0, c.content.size()), c.content);
    }
  }
  const std::string json = ReadAll(dir + "scan.json");
  EXPECT_NE(json.find("\"CLV\""), std::string::npos);
  EXPECT_NE(json.find("CLV SIM-32X"), std::string::npos);
}

TEST_F(ScanFormTest, AFieldThatIsNotANumberIsNamedAndNothingIsRead) {
  const struct {
    TEdit* TScanForm::*field;
    const char* text;
    const char* status;
  } cases[] = {{&TScanForm::StartEdit, "12x", "The start '12x' is not a number."},
               {&TScanForm::BlocksEdit, "lots", "The number of blocks 'lots' is not a number."}};
  for (const auto& c : cases) {
    form->StartEdit->SetText("0");
    form->BlocksEdit->SetText("");
    (form->*c.field)->SetText(c.text);
    Start();
    EXPECT_EQ(StatusText(), c.status);
    EXPECT_FALSE(form->Record().curve.has_value());
    EXPECT_TRUE(form->StartButton->Enabled());
  }
}

TEST_F(ScanFormTest, AbortGoesThroughAbortingToAbortedWithTheFiguresOfTheSamplesRead) {
  Choose("SIM-52X");
  struct Seen {
    TScanForm::State state;
    bool start, abort, save;
    std::string status;
  };
  std::vector<Seen> seen;
  watcher.onChange = [&](std::size_t points) {
    if (points != 10 || !seen.empty()) return;
    form->AbortButton->UserClick();
    seen.push_back({form->ScanState(), form->StartButton->Enabled(), form->AbortButton->Enabled(),
                    form->SaveButton->Enabled(), StatusText()});
  };
  Start();
  ASSERT_EQ(seen.size(), 1u);
  // Aborting: nothing can be clicked until the scan has stopped.
  EXPECT_EQ(seen[0].state, TScanForm::State::Aborting);
  EXPECT_FALSE(seen[0].start || seen[0].abort || seen[0].save);
  EXPECT_EQ(seen[0].status, "Aborting ...");
  // Aborted: the figures are those of the samples read, never fitted zeros.
  EXPECT_EQ(form->ScanState(), TScanForm::State::Idle);
  EXPECT_TRUE(form->StartButton->Enabled());
  EXPECT_FALSE(form->AbortButton->Enabled());
  const auto& samples = form->Record().curve->samples;
  ASSERT_FALSE(samples.empty());
  char first[64];
  std::snprintf(first, sizeof first, "First sample: %.2fx", samples.front().speedX);
  const std::vector<std::string> figures = form->FigureTexts();
  EXPECT_NE(std::find(figures.begin(), figures.end(), first), figures.end());
  for (const std::string& note : form->Graph->Model().Notes)
    EXPECT_EQ(note.find("0.00x"), std::string::npos) << note;
  for (const std::string& figure : figures)
    EXPECT_EQ(figure.find("0.00x"), std::string::npos) << figure;
}

TEST_F(ScanFormTest, FiguresSayTheModeUsedAndCountInTheRightForm) {
  const struct {
    const char* product;
    int mode;  // the radio chosen
    const char* blocks;
    const char* modeLine;
    const char* countLine;  // how the samples line begins
  } cases[] = {
      {"SIM-52X", 0, "27", "Read mode: data", "1 sample in"},
      {"SIM-52X", 1, "54", "Read mode: raw", "2 samples in"},
      // The audio CD holds no user data: read raw although Data is chosen.
      {"SIM-40X", 0, "270", "Read mode: raw (no user data)", "10 samples in"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.product);
    Choose(c.product);
    form->ModeGroup->SetItemIndex(c.mode);
    form->BlocksEdit->SetText(c.blocks);
    Start();
    const std::vector<std::string> figures = form->FigureTexts();
    EXPECT_NE(std::find(figures.begin(), figures.end(), c.modeLine), figures.end());
    EXPECT_TRUE(std::any_of(figures.begin(), figures.end(),
                            [&](const std::string& f) { return f.rfind(c.countLine, 0) == 0; }));
    EXPECT_EQ(form->ModeGroup->ItemIndex(), c.mode);  // the user's choice stays
    const std::string mode =
        std::string(c.modeLine).find("raw") != std::string::npos ? "raw" : "data";
    EXPECT_NE(form->Graph->Model().Notes[0].find(mode + " mode"), std::string::npos);
  }
}

TEST_F(ScanFormTest, OpenShowsASavedScanAndADriveChangeClearsTheSavedNote) {
  Choose("PCAV SIM-40X");
  form->BlocksEdit->SetText("54000");
  Start();
  const std::vector<std::string> scanned = form->FigureTexts();
  const std::string path = ::testing::TempDir() + "opened-scan.json";
  std::remove(path.c_str());
  AnswerDialog(path);
  form->SaveButton->PostClick();
  app->ProcessMessages();
  EXPECT_EQ(StatusText(), "Saved " + path);
  Choose("SIM-52X");
  form->DriveList->OnChange(form->DriveList);
  EXPECT_EQ(StatusText().find("Saved"), std::string::npos) << StatusText();
  EXPECT_FALSE(form->Record().curve.has_value());

  const struct {
    std::string content;  // written to the file first ("": the saved scan)
    std::string status;   // how the status starts
  } cases[] = {{"", "Opened " + path}, {"not json", "Cannot open " + path + ": it is not JSON"}};
  for (const auto& c : cases) {
    if (!c.content.empty()) std::ofstream(path, std::ios::binary) << c.content;
    AnswerDialog(path);
    form->OpenButton->PostClick();
    app->ProcessMessages();
    EXPECT_EQ(StatusText().rfind(c.status, 0), 0u) << StatusText();
  }
  // The failed open left the opened scan as it was.
  EXPECT_EQ(form->FigureTexts(), scanned);
  EXPECT_EQ(form->Graph->Model().Series[0].Points.size(), form->Record().curve->samples.size());
  EXPECT_NE(form->Graph->Model().Title.find("PCAV SIM-40X"), std::string::npos);
}

TEST_F(ScanFormTest, ControlsStayInsideTheWindowAndApartAtEverySize) {
  const struct {
    int width, height;
  } sizes[] = {{300, 200}, {TScanForm::kMinClientWidth, TScanForm::kMinClientHeight}, {1600, 1000}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    form->SetClientSize(size.width, size.height);
    EXPECT_GE(form->ClientWidth(), TScanForm::kMinClientWidth);
    EXPECT_GE(form->ClientHeight(), TScanForm::kMinClientHeight);
    EXPECT_EQ(form->Graph->Width() + form->FiguresPanel->Width(), form->ClientWidth());
    std::vector<TControl*> row;
    for (int i = 0; i < form->TopPanel->ControlCount(); ++i) {
      TControl* c = form->TopPanel->Controls(i);
      EXPECT_GE(c->Left(), 0) << c->Name();
      EXPECT_LE(c->Left() + c->Width(), form->TopPanel->Width()) << c->Name();
      if (dynamic_cast<TLabel*>(c) == nullptr) row.push_back(c);
    }
    for (TControl* a : row)
      for (TControl* b : row) {
        if (a == b) continue;
        const bool apart = a->Left() + a->Width() <= b->Left() ||
                           b->Left() + b->Width() <= a->Left() ||
                           a->Top() + a->Height() <= b->Top() || b->Top() + b->Height() <= a->Top();
        EXPECT_TRUE(apart) << a->Name() << " overlaps " << b->Name();
      }
    // Under the figures: the surface scan's box and the audio check's button show whole.
    for (TControl* c : std::vector<TControl*>{form->SurfaceCheck, form->AudioButton})
      EXPECT_LE(c->Top() + c->Height(), form->FiguresPanel->Height()) << c->Name();
  }
  // The drive list grows with the window.
  form->SetClientSize(TScanForm::kMinClientWidth, TScanForm::kMinClientHeight);
  const int small = form->DriveList->Width();
  form->SetClientSize(1600, 1000);
  EXPECT_GT(form->DriveList->Width(), small);
  EXPECT_EQ(form->AbortButton->Left() + form->AbortButton->Width(), 1600 - 8);
}

class ScanFormDamageTest : public ScanFormTest {
 protected:
  ScanFormDamageTest() : ScanFormTest(sim::DemoProfile::Damage) {}
};

TEST_F(ScanFormDamageTest, SurfaceScanShowsTheCountsOfTheScanItselfAndStopsOnAbort) {
  // The range holds D:'s unreadable blocks at 16000-16001 and 30000 and its weak one at 50000.
  const struct {
    bool abort;
    const char* status;
  } cases[] = {{false, "Done in"}, {true, "Aborted: stopped after"}};
  Choose("CD-ROM SIM-52X");
  form->StartEdit->SetText("15000");
  form->BlocksEdit->SetText("40000");
  form->SurfaceCheck->SetChecked(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    bool clicked = false;
    watcher.onStatus = [&](const std::string& text) {
      if (!c.abort || clicked || text.rfind("Reading the surface: 2", 0) != 0) return;
      clicked = true;
      form->AbortButton->UserClick();
    };
    Start();
    watcher.onStatus = nullptr;
    EXPECT_EQ(clicked, c.abort);
    EXPECT_EQ(StatusText().rfind(c.status, 0), 0u) << StatusText();
    ASSERT_TRUE(form->Record().surface.has_value());
    const report::SurfaceResult& shown = *form->Record().surface;
    EXPECT_EQ(shown.aborted, c.abort);
    EXPECT_TRUE(form->StartButton->Enabled());
    if (c.abort) {
      EXPECT_LT(shown.read, shown.blocks);
      EXPECT_NE(std::find(form->FigureTexts().begin(), form->FigureTexts().end(),
                          "Surface stopped after " + std::to_string(shown.read) + " blocks"),
                form->FigureTexts().end());
      continue;
    }
    // The same range scanned directly, as the command line scans it.
    scan::ScanSettings settings;
    settings.start = 15000;
    settings.blocks = 40000;
    report::ScanRecord direct;
    scan::DiscScan scan(drive, drive.DeviceTable[form->DriveList->ItemIndex()], settings);
    ASSERT_TRUE(scan.ReadRecordedArea(direct));
    scan.Surface(direct);
    scan.Restore();
    ASSERT_TRUE(direct.surface.has_value());
    const report::SurfaceResult& cli = *direct.surface;
    EXPECT_EQ(cli.unreadableCount, 3);
    EXPECT_EQ(cli.weakCount, 1);
    EXPECT_EQ(shown.read, cli.read);
    EXPECT_EQ(shown.unreadableCount, cli.unreadableCount);
    EXPECT_EQ(shown.weakCount, cli.weakCount);
    EXPECT_EQ(shown.c2Count, cli.c2Count);
    const std::vector<std::string> figures = form->FigureTexts();
    for (const std::string& line : {"Surface: " + std::to_string(cli.GoodCount()) + " good, " +
                                        std::to_string(cli.weakCount) + " weak",
                                    std::to_string(cli.unreadableCount) + " unreadable, " +
                                        std::to_string(cli.c2Count) + " C2-flagged"})
      EXPECT_NE(std::find(figures.begin(), figures.end(), line), figures.end()) << line;
    // The graph shows the surface's speeds with its marks, not the curve.
    const TGraphModel map = report::plot::MakeSurfaceMap(cli, {}, 0).curve;
    ASSERT_FALSE(form->Graph->Model().Series.empty());
    EXPECT_EQ(form->Graph->Model().Series.size(), map.Series.size());
    EXPECT_EQ(form->Graph->Model().Series[0].Points.size(), map.Series[0].Points.size());
  }
}

class ScanFormAudioTest : public ScanFormTest {
 protected:
  ScanFormAudioTest() : ScanFormTest(sim::DemoProfile::Audio) {}
};

TEST_F(ScanFormAudioTest, AudioCheckShowsItsReportOrWhyItDidNotRun) {
  const struct {
    char letter;
    const char* status;
  } cases[] = {{'D', "Audio check done in"}, {'I', "The audio check did not run: "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.letter));
    int row = -1;
    for (int i = 0; i < AspiVCL::ValidRows(drive.DeviceTable); ++i)
      if (drive.DeviceTable[i].DriveLetter == c.letter) row = i;
    ASSERT_GE(row, 0);
    form->DriveList->SetItemIndex(row);
    form->DriveListChange(nullptr);
    form->AudioButton->PostClick();
    app->ProcessMessages();
    EXPECT_FALSE(form->AbortButton->Enabled());  // the check cannot stop half-way
    while (form->Scanning()) app->HandleMessage();
    EXPECT_EQ(StatusText().rfind(c.status, 0), 0u) << StatusText();
    EXPECT_TRUE(form->ReportEdit->Visible());
    EXPECT_FALSE(form->Graph->Visible());
    EXPECT_TRUE(form->AudioButton->Enabled());
    // The same check run directly, as the command line runs it, reports the same.
    report::AudioCheckRecord record;
    scan::AudioCheck(drive, drive.DeviceTable[row], scan::AudioCheckSettings{}).Run(record);
    std::string shown;
    for (int i = 0; i < form->ReportEdit->Lines().Count(); ++i)
      shown += form->ReportEdit->Lines()[i] + "\n";
    EXPECT_EQ(shown, report::AudioCheckText(record));
    EXPECT_EQ(record.refused.has_value(), c.letter == 'I');
    // Another drive chosen: the graph is back.
    form->DriveListChange(nullptr);
    EXPECT_TRUE(form->Graph->Visible());
    EXPECT_FALSE(form->ReportEdit->Visible());
  }
}

}  // namespace
