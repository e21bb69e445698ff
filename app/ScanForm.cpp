#include "app/ScanForm.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/DriveRecordOf.h"
#include "app/Glyphs.h"
#include "app/ScanFigures.h"
#include "app/TForm1.h"
#include "platform/Host.h"
#ifndef _WIN32
#include "platform/LinuxHost.h"
#include "platform/LinuxMounts.h"
#endif
#include "report/OutputFile.h"
#include "report/ScanCsv.h"
#include "report/ScanJson.h"
#include "report/plot/CurveGraph.h"
#include "scan/DiscScan.h"
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
  const std::size_t slash = path.find_last_of('/');
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

}  // namespace

TScanForm::TScanForm(TComponent* owner, AspiVCL& driveAccess) : TForm(owner), drive_(driveAccess) {
  CreateControls();
  drive_.FillDeviceList(DriveList, drive_.DeviceTable, kWindowRowKind);
  if (DriveList->Items().Count() > 0) {
    DriveList->SetItemIndex(0);
    Status("Choose the range (empty: the whole disc) and press Start.");
  } else {
    StartButton->SetEnabled(false);
    Status(TForm1::kNoDriveText);
  }
  ShowDisc();
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
  record_ = report::ScanRecord{};
  live_ = report::CurveResult{};
  disc_ = report::DiscRecord{};
  plotHead_ = report::plot::PlotHead{};
  ShowFigures();
  SaveButton->SetEnabled(false);
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
      plotHead_.disc = BlocksWithTimeText(disc.LeadOut());
      DiscLabel->SetCaption("Disc: " + plotHead_.disc);
      live_.start = 0;
      live_.blocks = disc.LeadOut();
    }
  }
  ShowCurve(live_, false);
}

TScanForm::~TScanForm() = default;

void TScanForm::CreateControls() {
  SetName("ScanForm");
  SetCaption("Velmark - disc scan");
  SetClientSize(860, 560);
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
  auto button = [&](const char* name, int l, int t, const char* caption, TNotifyEvent click) {
    auto* b = new TButton(this);
    place(b, TopPanel, name, l, t, 75, 25);
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

  DriveLabel = label(TopPanel, "DriveLabel", 8, 12, "Drive:");
  DriveList = new TComboBox(this);
  place(DriveList, TopPanel, "DriveList", 56, 8, 330, 21);
  DriveList->SetStyle(csDropDownList);
  DriveList->SetTabStop(true);
  DriveList->OnChange = TNotifyEvent(this, &TScanForm::DriveListChange);
  DiscLabel = label(TopPanel, "DiscLabel", 396, 12, "");
  TFont navy = font;
  navy.Color = clNavy;
  DiscLabel->SetFont(navy);

  StartLabel = label(TopPanel, "StartLabel", 8, 44, "Start:");
  StartEdit = new TEdit(this);
  place(StartEdit, TopPanel, "StartEdit", 56, 40, 80, 21);
  StartEdit->SetText("0");
  BlocksLabel = label(TopPanel, "BlocksLabel", 146, 44, "Blocks:");
  BlocksEdit = new TEdit(this);
  place(BlocksEdit, TopPanel, "BlocksEdit", 196, 40, 90, 21);
  BlocksEdit->SetHint("Empty: to the end of the disc");
  BlocksEdit->SetShowHint(true);

  ModeGroup = new TRadioGroup(this);
  place(ModeGroup, TopPanel, "ModeGroup", 296, 30, 160, 36);
  ModeGroup->SetCaption("Read mode");
  ModeGroup->Items().Add("Data");
  ModeGroup->Items().Add("Raw");
  ModeGroup->SetColumns(2);
  ModeGroup->SetItemIndex(0);
  ModeGroup->SetTabStop(true);

  AccessCheck = new TCheckBox(this);
  place(AccessCheck, TopPanel, "AccessCheck", 466, 36, 100, 17);
  AccessCheck->SetCaption("Access times");
  SpinUpCheck = new TCheckBox(this);
  place(SpinUpCheck, TopPanel, "SpinUpCheck", 466, 52, 100, 17);
  SpinUpCheck->SetCaption("Spin-up time");

  StartButton =
      button("StartButton", 586, 38, "&Start", TNotifyEvent(this, &TScanForm::StartButtonClick));
  AbortButton =
      button("AbortButton", 666, 38, "&Abort", TNotifyEvent(this, &TScanForm::AbortButtonClick));
  AbortButton->SetEnabled(false);

  SaveLabel = label(TopPanel, "SaveLabel", 586, 12, "Save as:");
  SaveEdit = new TEdit(this);
  place(SaveEdit, TopPanel, "SaveEdit", 636, 8, 136, 21);
  SaveEdit->SetText("velmark-scan.png");
  SaveEdit->SetHint("The extension chooses the format: .png, .svg, .csv or .json");
  SaveEdit->SetShowHint(true);
  SaveButton =
      button("SaveButton", 778, 6, "Sa&ve", TNotifyEvent(this, &TScanForm::SaveButtonClick));
  SaveButton->SetEnabled(false);

  FiguresPanel = new TPanel(this);
  place(FiguresPanel, this, "FiguresPanel", 660, 72, 200, 469);
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

  Graph = new TGraph(this);
  place(Graph, this, "Graph", 0, 72, 660, 469);
  Graph->SetAlign(alClient);

  OnClose = TNotifyEvent(this, &TScanForm::FormClose);
}

void TScanForm::Status(const std::string& text) {
  StatusBar->SetSimpleText(text);
}

void TScanForm::SetScanning(bool scanning) {
  scanning_ = scanning;
  StartButton->SetEnabled(!scanning && DriveList->Items().Count() > 0);
  AbortButton->SetEnabled(scanning);
  SaveButton->SetEnabled(!scanning && (record_.curve || record_.access || record_.spinUpMs));
  for (TControl* c : std::initializer_list<TControl*>{DriveList, StartEdit, BlocksEdit, ModeGroup,
                                                      AccessCheck, SpinUpCheck})
    c->SetEnabled(!scanning);
}

std::vector<std::string> TScanForm::FigureTexts() const {
  std::vector<std::string> texts;
  for (const TLabel* lb : FigureLabels)
    if (!lb->Caption().empty()) texts.push_back(lb->Caption());
  return texts;
}

void TScanForm::ShowFigures() {
  const std::vector<std::string> lines = ScanFigureLines(record_);
  for (std::size_t i = 0; i < FigureLabels.size(); ++i)
    FigureLabels[i]->SetCaption(i < lines.size() ? lines[i] : std::string());
}

void TScanForm::ShowCurve(const report::CurveResult& curve, bool finished) {
  TGraphModel graph = report::plot::CurveGraph(curve, plotHead_);
  if (!finished && scanning_) {
    // While reading, the notes say how far it got; the strategy comes at the end.
    graph.Notes.resize(std::min<std::size_t>(graph.Notes.size(), 1));
    graph.Notes.push_back("Reading: " + std::to_string(curve.samples.size()) + " samples");
  }
  Graph->SetModel(std::move(graph));
}

bool TScanForm::Sample(const report::ScanSample& sample, std::size_t index, std::size_t total) {
  live_.samples.push_back(sample);
  char text[128];
  std::snprintf(text, sizeof text, "Reading the curve: zone %zu of %zu at %s, %.2fx", index + 1,
                total, report::plot::DiscTimeText(sample.lba).c_str(), sample.speedX);
  Status(text);
  ShowCurve(live_, false);
  Application->ProcessMessages();
  return !abort_;
}

void TScanForm::StartButtonClick(TObject*) {
  if (scanning_) return;
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

  record_ = report::ScanRecord{};
  live_ = report::CurveResult{};
  disc_ = report::DiscRecord{};
  plotHead_ = report::plot::PlotHead{};
  Identify(device);
  when_ = std::chrono::system_clock::now();
  abort_ = false;
  SetScanning(true);
  ShowFigures();

  SenseResult sense{};
  if (drive_.TestUnitReady(device, &sense) != SS_COMP) {
    Status("The drive is not ready (" + AspiVCL::SenseText(sense) + ").");
    SetScanning(false);
    return;
  }

  scan::ScanSettings settings;
  settings.start = start;
  settings.blocks = blocks;
  settings.raw = ModeGroup->ItemIndex() == 1;
  scan::ScanObserver observer;
  observer.note = [this](const std::string& text) {
    Status(text);
    Application->ProcessMessages();
  };
  observer.sample = [this](const report::ScanSample& s, std::size_t index, std::size_t total) {
    return Sample(s, index, total);
  };
  observer.proceed = [this] {
    Application->ProcessMessages();
    return !abort_;
  };
  scan::DiscScan scan(drive_, device, settings, observer);
  scan_ = &scan;
  const DWORD began = platform::CurrentHost().Milliseconds();
  const std::string mounted = MountedDiscNote(device);
  if (scan.ReadRecordedArea(record_)) {
    // A mounted disc is said before the scan changes the drive's state.
    if (!mounted.empty()) observer.note(mounted);
    disc_.capacityBlocks = scan.LeadOut();
    plotHead_.disc = BlocksWithTimeText(scan.LeadOut());
    DiscLabel->SetCaption("Disc: " + plotHead_.disc);
    live_.mode = scan.Raw() ? "raw" : "data";
    live_.start = scan.RangeStart();
    live_.blocks = scan.RangeBlocks();
    ShowCurve(live_, false);
    scan.Curve(record_);
    if (AccessCheck->Checked() && !abort_) scan.Access(record_);
    if (SpinUpCheck->Checked() && !abort_) scan.SpinUp(record_);
  }
  scan.Restore();  // the drive as it was found: the block length the scan changed
  scan_ = nullptr;
  const double seconds = (platform::CurrentHost().Milliseconds() - began) / 1000.0;

  if (record_.curve) ShowCurve(*record_.curve, true);
  ShowFigures();
  char text[160];
  if (record_.curve && record_.curve->aborted) {
    std::snprintf(text, sizeof text, "Stopped after %.1f s: %s", seconds,
                  record_.curve->abortReason.c_str());
  } else if ((record_.access && record_.access->aborted) || record_.spinUpAborted) {
    std::snprintf(text, sizeof text, "Stopped after %.1f s: aborted", seconds);
  } else if (!record_.curve) {
    std::snprintf(
        text, sizeof text, "Nothing was read: %s",
        record_.refused.empty() ? "the drive did not answer" : record_.refused.back().c_str());
  } else {
    std::snprintf(text, sizeof text, "Done in %.1f s: %s", seconds,
                  report::StrategyName(record_.curve->strategy));
  }
  Status(mounted.empty() ? std::string(text) : std::string(text) + " (the disc is mounted)");
  SetScanning(false);
}

void TScanForm::AbortButtonClick(TObject*) {
  if (!scanning_) return;
  abort_ = true;
  if (scan_ != nullptr) scan_->Abort();
  Status("Aborting ...");
}

void TScanForm::FormClose(TObject*) {
  // A scan still running stops at its next sample; the window goes after it.
  abort_ = true;
  if (scan_ != nullptr) scan_->Abort();
}

std::string TScanForm::SaveText(const std::string& path, std::string& error) const {
  const std::string ext = ExtensionOf(path);
  if (ext == "csv") return report::ScanCsv(record_);
  if (ext == "json") return report::ScanJson(driveRecord_, disc_, record_, when_);
  error = "A file name ending in .png, .svg, .csv or .json chooses what is saved.";
  return {};
}

void TScanForm::SaveButtonClick(TObject*) {
  const std::string path = SaveEdit->Text();
  const std::string ext = ExtensionOf(path);
  std::string error;
  if (path.empty()) {
    error = "Type the name of the file to save.";
  } else if (ext == "png" || ext == "svg") {
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
  Status(error.empty() ? "Saved " + path : error);
}
