#include "app/ScanForm.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/DriveRecordOf.h"
#include "app/Glyphs.h"
#include "app/ScanFigures.h"
#include "app/TForm1.h"
#include "platform/Host.h"
#ifndef _WIN32
#include "platform/LinuxHost.h"
#include "platform/LinuxMounts.h"
#endif
#include "report/AudioCheckWriters.h"
#include "report/OutputFile.h"
#include "report/ScanCsv.h"
#include "report/ScanJson.h"
#include "report/ScanJsonRead.h"
#include "report/plot/CurveGraph.h"
#include "report/plot/SurfaceMap.h"
#include "scan/AudioCheck.h"
#include "transport/wnaspi32.h"

using namespace toolkit;

namespace {

// What the window says when the drive's disc is mounted; empty when it is not, and on any
// machine but this one's drives (the simulated drives have no device node).
std::string MountedDiscNote(const DeviceEntry& device) {
#ifndef _WIN32
  if (dynamic_cast<platform::LinuxHost*>(&platform::CurrentHost()) == nullptr) return {};
  const std::string node = platform::LinuxHost::DriveNode(static_cast<char>(device.DriveLetter));
  return node.empty() ? std::string() : platform::MountedDiscNote(node);
#else
  (void)device;
  return {};
#endif
}

std::string ExtensionOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

// A field's number, or nothing when it is empty; false when it holds something else.
bool FieldNumber(const std::string& text, std::optional<std::int64_t>& value) {
  value.reset();
  if (text.empty()) return true;
  std::size_t used = 0;
  try {
    const long long v = std::stoll(text, &used, 10);
    if (used != text.size()) return false;
    value = v;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The kinds Save offers, in the order of the dialog's list, and the extension of each.
constexpr const char* kSaveFilter =
    "PNG picture|*.png|SVG picture|*.svg|CSV table of the samples|*.csv|JSON record|*.json";
constexpr const char* kSaveExtensions[] = {"png", "svg", "csv", "json"};

// The steps after the curve that the window offers, one check box each.
// A step's check box is named after the step: "spin-up" gives SpinUpCheck.
std::string CheckName(const char* step) {
  std::string name;
  bool upper = true;
  for (const char* c = step; *c != '\0'; ++c) {
    if (*c == '-') {
      upper = true;
      continue;
    }
    name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
    upper = false;
  }
  return name + "Check";
}

constexpr int kRow1 = 8;
constexpr int kRow2 = 38;
constexpr int kButtonWidth = 75;
constexpr int kButtonGap = 6;
constexpr int kFiguresWidth = 214;
constexpr int kDiscLabelWidth = 196;
constexpr int kDriveListMaxWidth = 460;

}  // namespace

TScanForm::TScanForm(TComponent* owner, AspiVCL& driveAccess) : TForm(owner), drive_(driveAccess) {
  CreateControls();
  drive_.FillDeviceList(DriveList, drive_.DeviceTable, kWindowRowKind);
  if (DriveList->Items().Count() > 0) {
    DriveList->SetItemIndex(0);
    Status("Choose the range (empty: the whole disc) and press Start.");
  } else {
    Status(TForm1::kNoDriveText);
  }
  ShowDisc();
}

TScanForm::~TScanForm() {
  StopScan();
}

void TScanForm::StopScan() {
  abort_ = true;
  worker_.Join();
}

void TScanForm::Identify(const DeviceEntry& device) {
  driveRecord_ = DriveRecordOf(device);
  plotHead_.drive = drive_.DeviceRowText(device, kWindowRowKind);
  plotHead_.drive = plotHead_.drive.substr(0, plotHead_.drive.find('\0'));
}

void TScanForm::DriveListChange(TObject*) {
  ShowDisc();
}

void TScanForm::ShowDisc() {
  if (Scanning()) return;  // the drive belongs to the scan's thread now
  ShowGraph();
  record_ = report::ScanRecord{};
  live_ = report::CurveResult{};
  disc_ = report::DiscRecord{};
  plotHead_ = report::plot::PlotHead{};
  askedMode_.clear();
  ShowFigures();
  DiscLabel->SetCaption("");
  const int row = DriveList->ItemIndex();
  if (row >= 0 && row < AspiVCL::ValidRows(drive_.DeviceTable)) {
    DeviceEntry& device = drive_.DeviceTable[row];
    Identify(device);
    SenseResult sense{};
    report::ScanRecord probe;
    scan::DiscScan disc(drive_, device, scan::ScanSettings{});
    if (drive_.TestUnitReady(device, &sense) != SS_COMP) {
      DiscLabel->SetCaption("Not ready (" + AspiVCL::SenseText(sense) + ")");
    } else if (disc.ReadRecordedArea(probe)) {
      plotHead_.disc = MediumDiscText(disc.LeadOut(), disc.Medium());
      SetPlotMedium(plotHead_, disc.Medium());
      DiscLabel->SetCaption("Disc: " + plotHead_.disc);
      live_.start = 0;
      live_.blocks = disc.LeadOut();
    }
    // A status about the earlier drive's result ("Saved ...") no longer applies.
    if (!StatusBar->SimpleText().empty() && StatusBar->SimpleText().rfind("Choose", 0) != 0)
      Status("Choose the range (empty: the whole disc) and press Start.");
  }
  ShowCurve(live_, false);
  UpdateButtons();
}

void TScanForm::CreateControls() {
  SetName("ScanForm");
  SetCaption("Velmark - disc scan");
  SetClientSize(860, 560);
  SetMinClientSize(kMinClientWidth, kMinClientHeight);
  SetPosition(poScreenCenter);
  TFont font;
  font.Name = "MS Sans Serif";
  font.Height = -11;
  SetFont(font);
  SetIcon(VelmarkIcon());

  auto place = [](TControl* c, TControl* parent, const char* name, int l, int t, int w, int h) {
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
  };
  auto label = [&](TControl* parent, const char* name, int l, int t, const char* caption) {
    auto* lb = new TLabel(this);
    place(lb, parent, name, l, t, lb->Width(), lb->Height());
    lb->SetCaption(caption);
    return lb;
  };
  auto button = [&](const char* name, const char* caption, TNotifyEvent click) {
    auto* b = new TButton(this);
    place(b, TopPanel, name, 0, 0, kButtonWidth, 25);
    b->SetCaption(caption);
    b->SetTabStop(true);
    b->OnClick = click;
    return b;
  };

  StatusBar = new TStatusBar(this);
  place(StatusBar, this, "StatusBar", 0, 541, 860, 19);
  StatusBar->SetSimplePanel(true);
  StatusBar->SetAlign(alBottom);

  TopPanel = new TPanel(this);
  place(TopPanel, this, "TopPanel", 0, 0, 860, 72);
  TopPanel->SetBevelOuter(bvNone);
  TopPanel->SetAlign(alTop);

  DriveLabel = label(TopPanel, "DriveLabel", 8, kRow1 + 4, "Drive:");
  DriveList = new TComboBox(this);
  place(DriveList, TopPanel, "DriveList", 56, kRow1, 330, 21);
  DriveList->SetStyle(csDropDownList);
  DriveList->SetTabStop(true);
  // Fixed pitch: the list's columns (address, vendor, product, revision) stay aligned.
  TFont fixed = font;
  fixed.Name = "Courier New";
  fixed.Height = -12;
  DriveList->SetFont(fixed);
  DriveList->OnChange = TNotifyEvent(this, &TScanForm::DriveListChange);
  DiscLabel = label(TopPanel, "DiscLabel", 396, kRow1 + 4, "");
  TFont navy = font;
  navy.Color = clNavy;
  DiscLabel->SetFont(navy);

  StartLabel = label(TopPanel, "StartLabel", 8, kRow2 + 6, "Start:");
  StartEdit = new TEdit(this);
  place(StartEdit, TopPanel, "StartEdit", 56, kRow2 + 2, 80, 21);
  StartEdit->SetText("0");
  BlocksLabel = label(TopPanel, "BlocksLabel", 146, kRow2 + 6, "Blocks:");
  BlocksEdit = new TEdit(this);
  place(BlocksEdit, TopPanel, "BlocksEdit", 196, kRow2 + 2, 90, 21);
  BlocksEdit->SetHint("Empty: to the end of the disc");
  BlocksEdit->SetShowHint(true);

  ModeGroup = new TRadioGroup(this);
  place(ModeGroup, TopPanel, "ModeGroup", 296, kRow2 - 8, 160, 36);
  ModeGroup->SetCaption("Read mode");
  ModeGroup->Items().Add("Data");
  ModeGroup->Items().Add("Raw");
  ModeGroup->SetColumns(2);
  ModeGroup->SetItemIndex(0);
  ModeGroup->SetTabStop(true);

  CreateStepChecks();

  StartButton = button("StartButton", "&Start", TNotifyEvent(this, &TScanForm::StartButtonClick));
  AbortButton = button("AbortButton", "&Abort", TNotifyEvent(this, &TScanForm::AbortButtonClick));
  OpenButton = button("OpenButton", "&Open...", TNotifyEvent(this, &TScanForm::OpenButtonClick));
  SaveButton = button("SaveButton", "Sa&ve...", TNotifyEvent(this, &TScanForm::SaveButtonClick));

  SaveDialog = new TSaveDialog(this);
  SaveDialog->Title = "Save the scan";
  SaveDialog->Filter = kSaveFilter;
  SaveDialog->FileName = "velmark-scan.png";
  SaveDialog->DefaultExt = "png";
  OpenDialog = new TOpenDialog(this);
  OpenDialog->Title = "Open a saved scan";
  OpenDialog->Filter = "JSON record of a scan|*.json|All files|*";

  FiguresPanel = new TPanel(this);
  place(FiguresPanel, this, "FiguresPanel", 860 - kFiguresWidth, 72, kFiguresWidth, 469);
  FiguresPanel->SetBevelOuter(bvNone);
  FiguresPanel->SetAlign(alRight);
  for (int i = 0; i < kFigureLines; ++i) {
    auto* lb = label(FiguresPanel, ("Figure" + std::to_string(i + 1)).c_str(), 8, 10 + i * 18, "");
    if (i == 0) {
      TFont bold = font;
      bold.Style.Include(fsBold);
      lb->SetFont(bold);
    }
    FigureLabels.push_back(lb);
  }
  SurfaceCheck = new TCheckBox(this);
  place(SurfaceCheck, FiguresPanel, "SurfaceCheck", 8, 10 + kFigureLines * 18 + 4, 104, 17);
  SurfaceCheck->SetCaption("Surface scan");
  SurfaceCheck->SetTabStop(true);
  AudioButton = new TButton(this);
  place(AudioButton, FiguresPanel, "AudioButton", 112, 10 + kFigureLines * 18, 94, 25);
  AudioButton->SetCaption("Audio check");
  AudioButton->SetTabStop(true);
  AudioButton->OnClick = TNotifyEvent(this, &TScanForm::AudioButtonClick);

  Graph = new TGraph(this);
  place(Graph, this, "Graph", 0, 72, 860 - kFiguresWidth, 469);
  Graph->SetAlign(alClient);
  ReportEdit = new TRichEdit(this);
  place(ReportEdit, this, "ReportEdit", 0, 72, 860 - kFiguresWidth, 469);
  ReportEdit->SetAlign(alClient);
  ReportEdit->SetFont(fixed);
  ReportEdit->SetVisible(false);

  ProgressTimer = new TTimer(this);
  ProgressTimer->SetName("ProgressTimer");
  ProgressTimer->SetEnabled(false);
  ProgressTimer->SetInterval(200);
  ProgressTimer->OnTimer = TNotifyEvent(this, &TScanForm::ProgressTimerTick);

  OnClose = TNotifyEvent(this, &TScanForm::FormClose);
  OnResize = TNotifyEvent(this, &TScanForm::FormResize);
  LayoutControls();
  UpdateButtons();
}

void TScanForm::CreateStepChecks() {
  // A box for each step of the scan's table that the window offers; the curve is always read.
  for (const scan::ScanStep& step : scan::ScanSteps()) {
    if (step.caption == nullptr) continue;
    auto* check = new TCheckBox(this);
    check->SetName(CheckName(step.name));
    check->SetParent(TopPanel);
    check->SetBounds(0, 0, 104, 17);
    check->SetCaption(step.caption);
    check->SetTabStop(true);
    StepChecks.push_back(check);
    stepOfCheck_.push_back(step.id);
    if (step.id == scan::StepId::Access) AccessCheck = check;
    if (step.id == scan::StepId::SpinUp) SpinUpCheck = check;
  }
}

void TScanForm::FormResize(TObject*) {
  LayoutControls();
}

void TScanForm::LayoutControls() {
  const int width = TopPanel->Width();
  // Row 1: the drive list grows with the window (up to a width its rows need); the disc's
  // length after it; Open and Save at the right edge.
  const int saveLeft = width - 8 - kButtonWidth;
  const int openLeft = saveLeft - kButtonGap - kButtonWidth;
  const int listWidth =
      std::clamp(openLeft - 16 - kDiscLabelWidth - 56 - 8, 200, kDriveListMaxWidth);
  DriveList->SetBounds(56, kRow1, listWidth, 21);
  DiscLabel->SetBounds(56 + listWidth + 10, kRow1 + 4, kDiscLabelWidth, DiscLabel->Height());
  OpenButton->SetBounds(openLeft, kRow1 - 2, kButtonWidth, 25);
  SaveButton->SetBounds(saveLeft, kRow1 - 2, kButtonWidth, 25);
  // Row 2: the range, the mode, the steps in a column each, Start and Abort at the right.
  int left = 466;
  for (std::size_t i = 0; i < StepChecks.size(); ++i) {
    const int column = static_cast<int>(i / 2), row = static_cast<int>(i % 2);
    StepChecks[i]->SetBounds(left + column * 110, kRow2 - 6 + row * 17, 104, 17);
  }
  const int abortLeft = width - 8 - kButtonWidth;
  StartButton->SetBounds(abortLeft - kButtonGap - kButtonWidth, kRow2, kButtonWidth, 25);
  AbortButton->SetBounds(abortLeft, kRow2, kButtonWidth, 25);
}

void TScanForm::Status(const std::string& text) {
  StatusBar->SetSimpleText(text);
}

void TScanForm::UpdateButtons() {
  const bool idle = state_ == State::Idle;
  const int row = DriveList->ItemIndex();
  const bool drive = row >= 0 && row < AspiVCL::ValidRows(drive_.DeviceTable);
  StartButton->SetEnabled(idle && drive);
  AbortButton->SetEnabled(state_ == State::Scanning && !audioRunning_);
  OpenButton->SetEnabled(idle);
  SaveButton->SetEnabled(idle &&
                         (record_.curve || record_.access || record_.spinUpMs || record_.surface));
  for (TControl* c : std::initializer_list<TControl*>{DriveList, StartEdit, BlocksEdit, ModeGroup})
    c->SetEnabled(idle);
  for (TCheckBox* check : StepChecks) check->SetEnabled(idle);
  SurfaceCheck->SetEnabled(idle);
  AudioButton->SetEnabled(idle && drive);
}

void TScanForm::SetState(State state) {
  state_ = state;
  ProgressTimer->SetEnabled(state != State::Idle);
  UpdateButtons();
}

std::vector<std::string> TScanForm::FigureTexts() const {
  std::vector<std::string> texts;
  for (const TLabel* lb : FigureLabels)
    if (!lb->Caption().empty()) texts.push_back(lb->Caption());
  return texts;
}

std::string TScanForm::AskedMode() const {
  return ModeGroup->ItemIndex() == 1 ? "raw" : "data";
}

void TScanForm::ShowFigures() {
  const std::vector<std::string> lines = ScanFigureLines(record_, askedMode_);
  for (std::size_t i = 0; i < FigureLabels.size(); ++i)
    FigureLabels[i]->SetCaption(i < lines.size() ? lines[i] : std::string());
}

void TScanForm::ShowCurve(const report::CurveResult& curve, bool finished) {
  TGraphModel graph = report::plot::CurveGraph(curve, plotHead_);
  if (!finished && Scanning()) {
    // While reading, the notes say how far it got; the strategy comes at the end.
    graph.Notes.resize(std::min<std::size_t>(graph.Notes.size(), 1));
    graph.Notes.push_back("Reading: " + CountText(curve.samples.size(), "sample", "samples"));
  }
  Graph->SetModel(std::move(graph));
}

void TScanForm::PostToWindow(std::function<void()> action) {
  worker_.Post([alive = std::weak_ptr<int>(life_), action = std::move(action)] {
    if (!alive.expired()) action();
  });
}

void TScanForm::RangeKnown(std::int64_t leadOut, const session::Medium& medium, std::int64_t start,
                           std::int64_t blocks, bool raw) {
  disc_.capacityBlocks = leadOut;
  plotHead_.disc = MediumDiscText(leadOut, medium);
  SetPlotMedium(plotHead_, medium);
  DiscLabel->SetCaption("Disc: " + plotHead_.disc);
  live_.mode = raw ? "raw" : "data";
  live_.start = start;
  live_.blocks = blocks;
  ShowCurve(live_, false);
}

void TScanForm::Sample(const report::ScanSample& sample, std::size_t index, std::size_t total,
                       bool raw) {
  live_.samples.push_back(sample);
  live_.mode = raw ? "raw" : "data";  // a disc without user data is read raw
  char text[128];
  std::snprintf(text, sizeof text, "Reading the curve: zone %zu of %zu at %s, %.2fx", index + 1,
                total, report::plot::DiscPositionText(sample.lba, plotHead_.cd).c_str(),
                sample.speedX);
  lastProgress_ = text;
  if (state_ == State::Scanning) Status(text);
  ShowCurve(live_, false);
}

void TScanForm::ProgressTimerTick(TObject*) {
  if (state_ != State::Scanning || lastProgress_.empty()) return;
  char text[48];
  std::snprintf(text, sizeof text, " - %.1f s",
                (platform::CurrentHost().Milliseconds() - began_) / 1000.0);
  Status(lastProgress_ + text);
}

void TScanForm::StartButtonClick(TObject*) {
  if (Scanning()) return;
  const int row = DriveList->ItemIndex();
  if (row < 0 || row >= AspiVCL::ValidRows(drive_.DeviceTable)) {
    Status("Choose a drive first.");
    return;
  }
  std::optional<std::int64_t> start, blocks;
  if (!FieldNumber(StartEdit->Text(), start)) {
    Status("The start '" + StartEdit->Text() + "' is not a number.");
    return;
  }
  if (!FieldNumber(BlocksEdit->Text(), blocks)) {
    Status("The number of blocks '" + BlocksEdit->Text() + "' is not a number.");
    return;
  }
  DeviceEntry& device = drive_.DeviceTable[row];

  ShowGraph();
  record_ = report::ScanRecord{};
  live_ = report::CurveResult{};
  disc_ = report::DiscRecord{};
  plotHead_ = report::plot::PlotHead{};
  askedMode_ = AskedMode();
  lastProgress_.clear();
  Identify(device);
  when_ = std::chrono::system_clock::now();
  abort_ = false;
  samplesRead_ = 0;
  samplesAtAbort_ = 0;
  began_ = platform::CurrentHost().Milliseconds();
  SetState(State::Scanning);
  ShowFigures();
  Status("Starting the scan ...");

  scan::ScanSettings settings;
  settings.start = start;
  settings.blocks = blocks;
  settings.raw = askedMode_ == "raw";
  // The surface scan reads every block and times it: it takes the curve's place (a damaged
  // disc would stop the curve at its first unreadable block anyway).
  std::vector<scan::StepId> asked = {SurfaceCheck->Checked() ? scan::StepId::Surface
                                                             : scan::StepId::Curve};
  for (std::size_t i = 0; i < StepChecks.size(); ++i)
    if (StepChecks[i]->Checked()) asked.push_back(stepOfCheck_[i]);
  worker_.Start([this, &device, settings, asked] { RunScan(device, settings, asked); }, [] {});
}

void TScanForm::RunScan(DeviceEntry& device, const scan::ScanSettings& settings,
                        const std::vector<scan::StepId>& asked) {
  // This thread's own: the window sees only what is posted to it.
  Outcome outcome;
  platform::Host& host = platform::CurrentHost();
  const DWORD began = host.Milliseconds();
  const scan::DiscScan* running = nullptr;  // for the mode the spin-up chose
  scan::ScanObserver observer;
  observer.note = [this](const std::string& text) {
    PostToWindow([this, text] {
      lastProgress_ = text;
      if (state_ == State::Scanning) Status(text);
    });
  };
  observer.sample = [this, &running](const report::ScanSample& s, std::size_t index,
                                     std::size_t total) {
    ++samplesRead_;
    const bool raw = running != nullptr && running->Raw();
    PostToWindow([this, s, index, total, raw] { Sample(s, index, total, raw); });
    return !abort_;
  };
  observer.surface = [this](const scan::SurfaceProgress& p) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Reading the surface: %lld of %lld blocks, %lld unreadable, %lld weak",
                  static_cast<long long>(p.done), static_cast<long long>(p.total),
                  static_cast<long long>(p.unreadable), static_cast<long long>(p.weak));
    PostToWindow([this, line = std::string(text)] {
      lastProgress_ = line;
      if (state_ == State::Scanning) Status(line);
    });
    return !abort_.load();
  };
  observer.proceed = [this] { return !abort_.load(); };
  observer.stopNow = [this] { return abort_.load(); };

  SenseResult sense{};
  if (drive_.TestUnitReady(device, &sense) != SS_COMP) {
    outcome.notReady = AspiVCL::SenseText(sense);
  } else {
    scan::DiscScan scan(drive_, device, settings, observer);
    running = &scan;
    outcome.mounted = MountedDiscNote(device);
    if (scan.ReadRecordedArea(outcome.record)) {
      // A mounted disc is said before the scan changes the drive's state.
      if (!outcome.mounted.empty()) observer.note(outcome.mounted);
      PostToWindow([this, leadOut = scan.LeadOut(), start = scan.RangeStart(),
                    blocks = scan.RangeBlocks(), raw = scan.Raw(),
                    medium = scan.Medium()] { RangeKnown(leadOut, medium, start, blocks, raw); });
      // The steps asked for, in the table's order; after an Abort none starts.
      for (const scan::ScanStep& step : scan::ScanSteps()) {
        if (std::find(asked.begin(), asked.end(), step.id) == asked.end()) continue;
        if (step.id != scan::StepId::Curve && abort_) break;
        (scan.*step.run)(outcome.record);
      }
    }
    scan.Restore();  // the drive as it was found: the block length the scan changed
    running = nullptr;
  }
  outcome.seconds = (host.Milliseconds() - began) / 1000.0;
  PostToWindow([this, outcome = std::move(outcome)]() mutable { Finished(outcome); });
}

void TScanForm::Finished(Outcome& outcome) {
  worker_.Join();  // the thread has posted this as its last word
  record_ = std::move(outcome.record);
  if (state_ == State::Aborting)
    abortLatencyMs_ = platform::CurrentHost().Milliseconds() - abortClicked_;
  const bool aborted =
      (record_.curve && record_.curve->aborted && record_.curve->abortReason == "aborted") ||
      (record_.access && record_.access->aborted) || record_.spinUpAborted ||
      (record_.surface && record_.surface->aborted && record_.surface->abortReason == "aborted");
  SetState(State::Idle);
  if (!outcome.notReady.empty()) {
    Status("The drive is not ready (" + outcome.notReady + ").");
    ShowFigures();
    return;
  }
  if (record_.curve) ShowCurve(*record_.curve, true);
  if (record_.surface && record_.surface->read > 0) {
    // The surface's speeds with its marked blocks take the graph's place.
    Graph->SetModel(
        report::plot::MakeSurfaceMap(*record_.surface, plotHead_, disc_.capacityBlocks.value_or(0))
            .curve);
  }
  ShowFigures();
  char text[200];
  if (aborted && record_.surface && !record_.curve) {
    std::snprintf(
        text, sizeof text, "Aborted: stopped after %.1f s, %s read", outcome.seconds,
        CountText(static_cast<std::size_t>(record_.surface->read), "block", "blocks").c_str());
  } else if (aborted) {
    std::snprintf(
        text, sizeof text, "Aborted: stopped after %.1f s, %s read", outcome.seconds,
        CountText(record_.curve ? record_.curve->samples.size() : 0, "sample", "samples").c_str());
  } else if (record_.curve && record_.curve->aborted) {
    std::snprintf(text, sizeof text, "Stopped after %.1f s: %s", outcome.seconds,
                  record_.curve->abortReason.c_str());
  } else if (const auto& surface = record_.surface; surface && !record_.curve) {
    if (surface->aborted) {
      std::snprintf(text, sizeof text, "Stopped after %.1f s: %s", outcome.seconds,
                    surface->abortReason.c_str());
    } else {
      std::snprintf(text, sizeof text, "Done in %.1f s: the surface read, %lld unreadable",
                    outcome.seconds, static_cast<long long>(surface->unreadableCount));
    }
  } else if (!record_.curve) {
    std::snprintf(
        text, sizeof text, "Nothing was read: %s",
        record_.refused.empty() ? "the drive did not answer" : record_.refused.back().c_str());
  } else {
    std::snprintf(text, sizeof text, "Done in %.1f s: %s", outcome.seconds,
                  report::StrategyName(record_.curve->strategy));
  }
  Status(outcome.mounted.empty() ? std::string(text)
                                 : std::string(text) + " (the disc is mounted)");
}

void TScanForm::AbortButtonClick(TObject*) {
  if (state_ != State::Scanning || audioRunning_) return;
  abort_ = true;
  // Read after the flag is set: the scan stops within one sample of this count.
  samplesAtAbort_ = samplesRead_.load();
  abortClicked_ = platform::CurrentHost().Milliseconds();
  SetState(State::Aborting);
  Status("Aborting ...");
}

void TScanForm::FormClose(TObject*) {
  // A scan still running stops at its next sample; the window waits for its thread.
  StopScan();
}

std::string TScanForm::SaveText(const std::string& path, std::string& error) const {
  const std::string ext = ExtensionOf(path);
  if (ext == "csv") return report::ScanCsv(record_);
  if (ext == "json") return report::ScanJson(driveRecord_, disc_, record_, when_);
  error = "A file name ending in .png, .svg, .csv or .json chooses what is saved.";
  return {};
}

void TScanForm::SaveButtonClick(TObject*) {
  if (Scanning()) return;
  if (!SaveDialog->Execute()) return;
  std::string path = SaveDialog->FileName;
  std::string ext = ExtensionOf(path);
  const int kind = SaveDialog->FilterIndex;
  if (ext.empty() && kind >= 1 && kind <= 4) {
    ext = kSaveExtensions[kind - 1];  // a name typed without one takes the chosen kind's
    path += "." + ext;
  }
  std::string error;
  if (ext == "png" || ext == "svg") {
    if (!record_.curve) {
      error = "There is no curve to draw.";
    } else if (!SavePicture) {
      error = "Pictures are not available in this program.";
    } else {
      error = SavePicture(report::plot::CurveGraph(*record_.curve, plotHead_), path);
    }
  } else {
    const std::string text = SaveText(path, error);
    if (error.empty()) {
      // The earlier file stays as it was when this one cannot be written whole.
      if (!report::WriteOutputFile(path, text).empty()) error = "Cannot write " + path + ".";
    }
  }
  if (error.empty()) SaveDialog->FileName = path;
  Status(error.empty() ? "Saved " + path : error);
}

void TScanForm::OpenButtonClick(TObject*) {
  if (Scanning()) return;
  if (!OpenDialog->Execute()) return;
  const std::string path = OpenDialog->FileName;
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  report::SavedScan saved;
  std::string error;
  if (!in) {
    error = "cannot read it";
  } else if (text.str().size() > 64u * 1024 * 1024) {
    error = "it is too large for a saved scan";
  }
  if (!error.empty() || !report::ReadScanJson(text.str(), saved, error)) {
    Status("Cannot open " + path + ": " + error + ".");
    return;
  }
  ShowGraph();
  record_ = std::move(saved.record);
  driveRecord_ = saved.drive;
  disc_ = saved.disc;
  askedMode_.clear();
  plotHead_ = report::plot::PlotHead{};
  std::string drive = saved.drive.letter;
  for (const std::string* part : {&saved.drive.vendor, &saved.drive.product})
    if (!part->empty()) drive += (drive.empty() ? "" : " ") + *part;
  plotHead_.drive = drive;
  if (saved.disc.capacityBlocks) plotHead_.disc = BlocksWithTimeText(*saved.disc.capacityBlocks);
  if (record_.curve) {
    ShowCurve(*record_.curve, true);
  } else {
    ShowCurve(report::CurveResult{}, true);
  }
  ShowFigures();
  UpdateButtons();
  Status("Opened " + path + (saved.date.empty() ? std::string() : " (scanned " + saved.date + ")"));
}

void TScanForm::ShowGraph() {
  ReportEdit->SetVisible(false);
  Graph->SetVisible(true);
}

void TScanForm::AudioButtonClick(TObject*) {
  if (Scanning()) return;
  const int row = DriveList->ItemIndex();
  if (row < 0 || row >= AspiVCL::ValidRows(drive_.DeviceTable)) {
    Status("Choose a drive first.");
    return;
  }
  DeviceEntry& device = drive_.DeviceTable[row];
  // The earlier scan's result goes: the report shown is not one Save writes.
  record_ = report::ScanRecord{};
  live_ = report::CurveResult{};
  ShowFigures();
  abort_ = false;
  lastProgress_.clear();
  began_ = platform::CurrentHost().Milliseconds();
  audioRunning_ = true;
  SetState(State::Scanning);
  Status("Checking the audio extraction ...");
  worker_.Start([this, &device] { RunAudioCheck(device); }, [] {});
}

void TScanForm::RunAudioCheck(DeviceEntry& device) {
  // This thread's own, as the scan's: the window sees only what is posted to it.
  platform::Host& host = platform::CurrentHost();
  const DWORD began = host.Milliseconds();
  std::string notReady, text, refused;
  SenseResult sense{};
  if (drive_.TestUnitReady(device, &sense) != SS_COMP) {
    notReady = AspiVCL::SenseText(sense);
  } else {
    report::AudioCheckRecord record;
    {
      scan::AudioCheck check(drive_, device, scan::AudioCheckSettings{},
                             [this](const std::string& note) {
                               PostToWindow([this, note] {
                                 lastProgress_ = note;
                                 Status(note);
                               });
                             });
      check.Run(record);
    }  // the drive is back as it was found before the report is shown
    text = report::AudioCheckText(record);
    refused = record.refused.value_or(std::string());
  }
  const double seconds = (host.Milliseconds() - began) / 1000.0;
  PostToWindow([this, text, notReady, refused, seconds] {
    AudioFinished(text, notReady, refused, seconds);
  });
}

void TScanForm::AudioFinished(const std::string& report, const std::string& notReady,
                              const std::string& refused, double seconds) {
  worker_.Join();  // the thread has posted this as its last word
  audioRunning_ = false;
  SetState(State::Idle);
  if (!notReady.empty()) {
    Status("The drive is not ready (" + notReady + ").");
    return;
  }
  ReportEdit->Clear();
  // One line of the report each: the text ends in a line break, which adds no line.
  std::string text = report;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  ReportEdit->Lines().Add(text);
  Graph->SetVisible(false);
  ReportEdit->SetVisible(true);
  char done[64];
  std::snprintf(done, sizeof done, "Audio check done in %.1f s", seconds);
  Status(refused.empty() ? std::string(done) : "The audio check did not run: " + refused);
}
