// The scan window on the demo machine (virtual clock): the curve drawn while it is read,
// the strategy of each demo drive, Abort, saving, and fields that are not numbers.
#include "app/ScanForm.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Host.h"
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

class ScanFormTest : public ::testing::Test {
 protected:
  sim::DemoMachine machine{sim::ClockMode::Virtual, false};
  AspiVCL drive;
  ScopedApplication app;
  TScanForm* form = new TScanForm(&*app, drive);
  GraphWatcher watcher;

  void SetUp() override { form->AddObserver(&watcher); }
  void TearDown() override { form->RemoveObserver(&watcher); }

  void Choose(const std::string& product) {
    for (int i = 0; i < form->DriveList->Items().Count(); ++i) {
      if (form->DriveList->Items()[i].find(product) != std::string::npos) {
        form->DriveList->SetItemIndex(i);
        return;
      }
    }
    FAIL() << "no drive " << product;
  }
  void Start() {
    form->StartButton->PostClick();
    app->ProcessMessages();
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
  watcher.onChange = [this](std::size_t points) {
    if (points == 10) {
      EXPECT_TRUE(form->AbortButton->Enabled());
      EXPECT_FALSE(form->StartButton->Enabled());
      form->AbortButton->PostClick();
    }
  };
  Start();
  ASSERT_TRUE(form->Record().curve.has_value());
  EXPECT_TRUE(form->Record().curve->aborted);
  EXPECT_LE(form->Record().curve->samples.size(), 11u);
  EXPECT_EQ(StatusText().rfind("Stopped after", 0), 0u) << StatusText();
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
      form->AbortButton->PostClick();
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
    EXPECT_EQ(StatusText().rfind("Stopped after", 0), 0u) << StatusText();
    EXPECT_NE(StatusText().find(": aborted"), std::string::npos) << StatusText();
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
    form->SaveEdit->SetText(c.path);
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

}  // namespace
