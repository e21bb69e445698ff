#include "app/TForm1.h"

#include <cstring>

#include "app/Glyphs.h"
#include "transport/wnaspi32.h"

using namespace toolkit;

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner, AspiVCL& driveAccess) : TForm(owner), drive_(driveAccess) {
  CreateControls();
  // The drive list: one row per valid entry of the device table, in table order.
  drive_.FillDeviceList(ComboBox, drive_.DeviceTable, kWindowRowKind);
  if (ComboBox->Items().Count() > 0) {
    ComboBox->SetItemIndex(0);
  } else {
    // Nothing to poll: say so at once rather than after the first tick.
    CDSize->SetCaption(kNoDriveText);
  }
  CapacityShown = 0;
  WriteRegistryRecord();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  SetName("Form1");
  SetCaption("Velmark  ");
  SetBounds(0, 0, 401, 420);
  SetPosition(poScreenCenter);
  SetScaled(false);
  SetPixelsPerInch(96);
  SetColor(clBtnFace);
  TFont font;
  font.Name = "MS Sans Serif";
  font.Height = -11;
  font.Color = clWindowText;
  SetFont(font);
  SetIcon(VelmarkIcon());

  auto place = [](TControl* c, TControl* parent, const char* name, int l, int t, int w, int h) {
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
  };
  auto label = [&](TControl* parent, const char* name, int l, int t, const char* caption) {
    auto* lb = new TLabel(this);
    lb->SetName(name);
    lb->SetParent(parent);
    lb->SetBounds(l, t, lb->Width(), lb->Height());
    lb->SetCaption(caption);
    return lb;
  };
  auto glyphButton = [&](TControl* parent, const char* name, int l, int t, int w, int h,
                         const TBitmap& glyph) {
    auto* b = new TSpeedButton(this);
    place(b, parent, name, l, t, w, h);
    b->SetFlat(true);
    b->SetGlyph(glyph);
    return b;
  };
  auto bareFrame = [&](TControl* parent, const char* name, int l, int t, int w, int h,
                       TAlign align) {
    auto* p = new TPanel(this);
    place(p, parent, name, l, t, w, h);
    p->SetBevelOuter(bvNone);
    p->SetAlign(align);
    return p;
  };

  StatusBar = new TStatusBar(this);
  place(StatusBar, this, "StatusBar", 0, 374, 393, 19);
  StatusBar->SetSimplePanel(true);
  StatusBar->SetAlign(alBottom);

  MainPanel = bareFrame(this, "MainPanel", 0, 0, 393, 374, alClient);

  ToolBar1 = new TToolBar(this);
  place(ToolBar1, MainPanel, "ToolBar1", 0, 0, 393, 26);
  ToolBar1->SetButtonHeight(21);
  ToolBar1->SetAlign(alTop);

  ComboBox = new TComboBox(this);
  place(ComboBox, ToolBar1, "ComboBox", 0, 2, 353, 21);
  ComboBox->SetStyle(csDropDownList);
  ComboBox->SetItemHeight(13);
  ComboBox->OnChange = TNotifyEvent(this, &TForm1::ComboBoxChange);

  HelpButton = glyphButton(ToolBar1, "HelpButton", 353, 2, 40, 21, HelpGlyph());
  HelpButton->SetHint("Show me what great mind is behind this tool ;-)");
  HelpButton->SetShowHint(true);
  HelpButton->OnClick = TNotifyEvent(this, &TForm1::HelpButtonClick);

  MainInMainPanel = bareFrame(MainPanel, "MainInMainPanel", 0, 26, 393, 167, alTop);

  CDSize = label(MainInMainPanel, "CDSize", 6, 8, "CD");
  TFont navy = CDSize->Font();
  navy.Color = clNavy;
  CDSize->SetFont(navy);

  Label1 = label(MainInMainPanel, "Label1", 6, 32, "Start Address :");

  Edit1 = new TEdit(this);
  place(Edit1, MainInMainPanel, "Edit1", 104, 29, 113, 21);
  Edit1->SetText("300000");
  Edit1->SetTabOrder(0);
  Edit1->SetTabStop(true);

  StartAdjustButton =
      glyphButton(MainInMainPanel, "StartAdjustButton", 224, 29, 23, 21, StartAdjustGlyph());
  StartAdjustButton->SetEnabled(false);
  StartAdjustButton->SetVisible(false);
  StartAdjustButton->OnClick = TNotifyEvent(this, &TForm1::StartAdjustButtonClick);

  StartAddressMSF = label(MainInMainPanel, "StartAddressMSF", 258, 31, "MSF");
  Label2 = label(MainInMainPanel, "Label2", 6, 55, "Amount of Blocks :");

  Edit2 = new TEdit(this);
  place(Edit2, MainInMainPanel, "Edit2", 104, 53, 113, 21);
  Edit2->SetText("10000");
  Edit2->SetTabOrder(1);
  Edit2->SetTabStop(true);

  BlockAdjustButton =
      glyphButton(MainInMainPanel, "BlockAdjustButton", 224, 53, 23, 21, BlockAdjustGlyph());
  BlockAdjustButton->SetEnabled(false);
  BlockAdjustButton->SetVisible(false);
  BlockAdjustButton->OnClick = TNotifyEvent(this, &TForm1::BlockAdjustButtonClick);

  BlocksMSF = label(MainInMainPanel, "BlocksMSF", 258, 55, "MSF");

  RadioGroup = new TRadioGroup(this);
  place(RadioGroup, MainInMainPanel, "RadioGroup", 0, 79, 393, 41);
  RadioGroup->SetCaption("Read Mode");
  RadioGroup->Items().Add("Data");
  RadioGroup->Items().Add("Raw (e.g. Audio)");
  RadioGroup->SetColumns(2);
  RadioGroup->SetItemIndex(0);
  RadioGroup->SetTabOrder(3);
  RadioGroup->SetTabStop(true);

  StartButton = new TButton(this);
  place(StartButton, MainInMainPanel, "StartButton", 3, 124, 73, 22);
  StartButton->SetCaption("&Start");
  StartButton->SetEnabled(false);
  StartButton->SetTabOrder(6);
  StartButton->SetTabStop(true);
  StartButton->OnClick = TNotifyEvent(this, &TForm1::SpeedButton2Click);

  AbortButton = new TButton(this);
  place(AbortButton, MainInMainPanel, "AbortButton", 75, 124, 73, 22);
  AbortButton->SetCaption("&Abort");
  AbortButton->SetTabOrder(7);
  AbortButton->SetTabStop(true);
  AbortButton->OnClick = TNotifyEvent(this, &TForm1::AbortButtonClick);

  auto displayPanel = [&](const char* name, int l, int w, const char* caption, int height,
                          bool bold, int tabOrder) {
    auto* p = new TPanel(this);
    place(p, MainInMainPanel, name, l, 124, w, 22);
    p->SetBevelOuter(bvLowered);
    p->SetCaption(caption);
    p->SetColor(clNavy);
    TFont f = p->Font();
    f.Color = clSilver;
    f.Height = height;
    if (bold) f.Style.Include(fsBold);
    p->SetFont(f);
    p->SetTabOrder(tabOrder);
    return p;
  };
  StateDisplayPanel = displayPanel("StateDisplayPanel", 157, 60, "", -11, false, 5);
  Velmark = displayPanel("Velmark", 216, 177, "x", -16, true, 4);

  CheckBox = new TCheckBox(this);
  place(CheckBox, MainInMainPanel, "CheckBox", 3, 149, 310, 17);
  CheckBox->SetCaption("Disable Display and Current Speed calculation during Read");
  CheckBox->SetChecked(false);
  CheckBox->SetTabOrder(2);
  CheckBox->SetTabStop(true);

  Panel1 = bareFrame(MainPanel, "Panel1", 0, 193, 393, 181, alClient);

  RichEdit = new TRichEdit(this);
  place(RichEdit, Panel1, "RichEdit", 0, 0, 393, 181);
  RichEdit->SetAlign(alClient);
  RichEdit->SetReadOnly(true);
  RichEdit->SetScrollBars(ssVertical);

  Timer = new TTimer(this);
  Timer->SetName("Timer");
  Timer->SetInterval(800);
  Timer->SetEnabled(true);
  Timer->OnTimer = TNotifyEvent(this, &TForm1::TimerTimer);

  // The texts of the fields are in place; from now on every change echoes them.
  Edit1->OnChange = TNotifyEvent(this, &TForm1::Edit1Change);
  Edit2->OnChange = TNotifyEvent(this, &TForm1::Edit2Change);
  AlignControls();
}

DeviceEntry* TForm1::SelectedDevice() {
  const int row = ComboBox->ItemIndex();
  if (row < 0 || row >= AspiVCL::ValidRows(drive_.DeviceTable)) return nullptr;
  return &drive_.DeviceTable[row];
}

void TForm1::TimerTimer(TObject* /*sender*/) {
  DeviceEntry* device = SelectedDevice();
  if (device == nullptr) {
    CapacityShown = 0;
    StartButton->SetEnabled(false);
    CDSize->SetCaption(kNoDriveText);
    return;
  }
  SenseResult sense{};
  BYTE status = SS_COMP;
  const session::Readiness readiness =
      session::DriveSession(drive_, *device).CheckReady(&sense, &status);
  if (readiness == session::Readiness::Ready) {
    StartButton->SetEnabled(true);
    if (CapacityShown == 0) ShowCDCapacity(*device);
    return;
  }
  CapacityShown = 0;
  StartButton->SetEnabled(false);
  CDSize->SetCaption(AspiVCL::ReadinessText(readiness, sense, status));
}

void TForm1::ComboBoxChange(TObject* sender) {
  CDSize->SetCaption("");
  CapacityShown = 0;
  TimerTimer(sender);
}

void TForm1::AbortButtonClick(TObject* /*sender*/) {
  AbortFlag = 1;
  if (testRunning_ && lastRecord_.abortReason.empty()) lastRecord_.abortReason = "Abort Requested";
  drive_.AddStyledLine(RichEdit, "Abort Requested ...", kReportRed, kReportBold);
}

void TForm1::HelpButtonClick(TObject* /*sender*/) {
  RichEdit->Clear();
  drive_.AddColoredLine(RichEdit, "Simple Velmark Measuring Tool", kReportNavy);
  drive_.AddLine(RichEdit, "");
  drive_.AddLine(RichEdit, "Choose your own start address");
  drive_.AddLine(RichEdit, "Choose your own amount of blocks to read");
  drive_.AddLine(RichEdit, "Test Normal Data mode or Raw Data Mode");
  drive_.AddLine(RichEdit, "Raw Data Mode is Digital Audio Extraction (DAE)");
  drive_.AddLine(RichEdit, "");
  drive_.AddLine(RichEdit, "Preferably use CD's over 70 minutes to get the best performance");
  drive_.AddLine(RichEdit, "");
  drive_.AddColoredLine(RichEdit, std::string(kContactAddress) + ", 24/10/2000", kReportNavy);
  drive_.AddColoredLine(RichEdit, kWebAddress, kReportNavy);
}

void TForm1::WriteRegistryRecord() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
    return;
  const std::pair<const char*, const char*> values[] = {
      {"Version", kVersionText}, {"URL", kWebAddress}, {"Email", kContactAddress}};
  for (const auto& [name, text] : values) {
    // A value that cannot be written ends the record; start-up goes on.
    if (RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1)) != ERROR_SUCCESS)
      break;
  }
  RegCloseKey(key);
}

void TForm1::Report(const std::string& text, DWORD colour) {
  drive_.AddColoredLine(RichEdit, text, colour);
}

void TForm1::ReportBold(const std::string& text, DWORD colour) {
  drive_.AddStyledLine(RichEdit, text, colour, kReportBold);
}
