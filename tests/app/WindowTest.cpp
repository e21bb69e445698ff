#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drive/AspiMemAlloc.h"
#include "scsi/Opcodes.h"
#include "scsi/Sense.h"
#include "scsi/Status.h"
#include "tests/app/WindowFixture.h"

namespace {

using apptest::ReportLine;
using apptest::TestDrive;
using apptest::Window;

std::shared_ptr<TestDrive> DataDrive() {
  sim::SimDriveConfig c;
  c.timing = sim::DriveTiming::Cav(52.0, 40.0);
  c.disc = sim::Disc::Data(sim::Disc::Blocks(79, 57));
  return std::make_shared<TestDrive>(c);
}

TEST(WindowTest, ControlsAsLaidOut) {
  Window w(Window::Machine({DataDrive()}));
  TForm1& f = *w.form;
  EXPECT_EQ(f.Caption(), "Velmark  ");
  EXPECT_EQ(f.Width(), 401);
  EXPECT_EQ(f.Height(), 420);
  EXPECT_EQ(f.Position(), toolkit::poScreenCenter);
  EXPECT_FALSE(f.Scaled());
  EXPECT_EQ(f.Font().Name, "MS Sans Serif");
  EXPECT_EQ(f.Font().Height, -11);
  EXPECT_FALSE(f.Icon().Empty());

  const struct {
    toolkit::TControl* c;
    int l, t, w, h;
  } bounds[] = {
      {f.StatusBar, 0, 374, 393, 19},
      {f.ToolBar1, 0, 0, 393, 26},
      {f.ComboBox, 0, 2, 353, 21},
      {f.HelpButton, 353, 2, 40, 21},
      {f.MainInMainPanel, 0, 26, 393, 167},
      {f.Edit1, 104, 29, 113, 21},
      {f.StartAdjustButton, 224, 29, 23, 21},
      {f.Edit2, 104, 53, 113, 21},
      {f.BlockAdjustButton, 224, 53, 23, 21},
      {f.RadioGroup, 0, 79, 393, 41},
      {f.StartButton, 3, 124, 73, 22},
      {f.AbortButton, 75, 124, 73, 22},
      {f.StateDisplayPanel, 157, 124, 60, 22},
      {f.Velmark, 216, 124, 177, 22},
      {f.CheckBox, 3, 149, 310, 17},
      {f.Panel1, 0, 193, 393, 181},
      {f.RichEdit, 0, 0, 393, 181},
  };
  for (const auto& b : bounds) {
    SCOPED_TRACE(b.c->Name());
    EXPECT_EQ(b.c->Left(), b.l);
    EXPECT_EQ(b.c->Top(), b.t);
    EXPECT_EQ(b.c->Width(), b.w);
    EXPECT_EQ(b.c->Height(), b.h);
  }
  EXPECT_EQ(f.CDSize->Left(), 6);
  EXPECT_EQ(f.CDSize->Top(), 8);
  EXPECT_EQ(f.CDSize->Caption(), "CD");
  EXPECT_EQ(f.CDSize->Font().Color, toolkit::clNavy);
  EXPECT_EQ(f.Label1->Caption(), "Start Address :");
  EXPECT_EQ(f.Label2->Caption(), "Amount of Blocks :");
  EXPECT_EQ(f.Edit1->Text(), "300000");
  EXPECT_EQ(f.Edit2->Text(), "10000");
  EXPECT_EQ(f.StartAddressMSF->Caption(), "MSF");
  EXPECT_EQ(f.BlocksMSF->Caption(), "MSF");
  EXPECT_EQ(f.RadioGroup->Caption(), "Read Mode");
  EXPECT_EQ(f.RadioGroup->Items()[0], "Data");
  EXPECT_EQ(f.RadioGroup->Items()[1], "Raw (e.g. Audio)");
  EXPECT_EQ(f.RadioGroup->Columns(), 2);
  EXPECT_EQ(f.RadioGroup->ItemIndex(), 0);
  EXPECT_EQ(f.StartButton->Caption(), "&Start");
  EXPECT_FALSE(f.StartButton->Enabled());
  EXPECT_EQ(f.AbortButton->Caption(), "&Abort");
  EXPECT_TRUE(f.AbortButton->Enabled());
  EXPECT_FALSE(f.StartAdjustButton->Visible());
  EXPECT_FALSE(f.StartAdjustButton->Enabled());
  EXPECT_FALSE(f.BlockAdjustButton->Visible());
  EXPECT_EQ(f.Velmark->Caption(), "x");
  EXPECT_EQ(f.Velmark->Color(), toolkit::clNavy);
  EXPECT_EQ(f.Velmark->Font().Color, toolkit::clSilver);
  EXPECT_EQ(f.Velmark->Font().Height, -16);
  EXPECT_TRUE(f.Velmark->Font().Style.Contains(toolkit::fsBold));
  EXPECT_EQ(f.StateDisplayPanel->Caption(), "");
  EXPECT_EQ(f.StateDisplayPanel->Font().Height, -11);
  EXPECT_EQ(f.StateDisplayPanel->BevelOuter(), toolkit::bvLowered);
  EXPECT_EQ(f.CheckBox->Caption(), "Disable Display and Current Speed calculation during Read");
  EXPECT_FALSE(f.CheckBox->Checked());
  EXPECT_EQ(f.HelpButton->Hint(), "Show me what great mind is behind this tool ;-)");
  EXPECT_TRUE(f.HelpButton->ShowHint());
  for (auto* glyph : {f.HelpButton, f.StartAdjustButton, f.BlockAdjustButton})
    EXPECT_FALSE(glyph->Glyph().Empty()) << glyph->Name();
  EXPECT_TRUE(f.RichEdit->ReadOnly());
  EXPECT_EQ(f.RichEdit->ScrollBars(), toolkit::ssVertical);
  EXPECT_EQ(f.Timer->Interval(), 800u);
  EXPECT_TRUE(f.Timer->Enabled());
  // Tab order of the fields and panels.
  EXPECT_EQ(f.Edit1->TabOrder(), 0);
  EXPECT_EQ(f.Edit2->TabOrder(), 1);
  EXPECT_EQ(f.CheckBox->TabOrder(), 2);
  EXPECT_EQ(f.RadioGroup->TabOrder(), 3);
  EXPECT_EQ(f.Velmark->TabOrder(), 4);
  EXPECT_EQ(f.StateDisplayPanel->TabOrder(), 5);
  // The three fields start at 0.
  EXPECT_EQ(f.AbortFlag, 0);
  EXPECT_EQ(f.RecordedCapacity, 0);
  EXPECT_EQ(f.CapacityShown, 0);
}

TEST(WindowTest, ResizingStretchesTheBarsAndGivesTheRestToTheReport) {
  Window w(Window::Machine({DataDrive()}));
  TForm1& f = *w.form;
  f.SetBounds(0, 0, 601, 620);  // client area 593 x 593
  EXPECT_EQ(f.StatusBar->Top(), 593 - 19);
  EXPECT_EQ(f.StatusBar->Width(), 593);
  EXPECT_EQ(f.ToolBar1->Width(), 593);
  EXPECT_EQ(f.MainInMainPanel->Top(), 26);
  EXPECT_EQ(f.MainInMainPanel->Width(), 593);
  EXPECT_EQ(f.MainInMainPanel->Height(), 167);
  EXPECT_EQ(f.Panel1->Top(), 193);
  EXPECT_EQ(f.Panel1->Width(), 593);
  EXPECT_EQ(f.Panel1->Height(), 593 - 19 - 193);
  EXPECT_EQ(f.RichEdit->Width(), 593);
  EXPECT_EQ(f.RichEdit->Height(), 593 - 19 - 193);
  // The controls inside keep their places and sizes.
  EXPECT_EQ(f.Velmark->Left(), 216);
  EXPECT_EQ(f.Velmark->Width(), 177);
  EXPECT_EQ(f.ComboBox->Width(), 353);
}

TEST(WindowTest, OneSharedDiagnosticsBaseInTheDriveAccessObject) {
  Window w(Window::Machine({}));
  AspiVCL& d = w.drive();
  // Reached through the display sink and through the transport, it is the same object.
  Logging* viaDisplay = static_cast<VCLDisplay*>(&d);
  Logging* viaTransport = static_cast<AspiLoad*>(&d);
  Logging* viaPassThrough = static_cast<SPTI*>(&d);
  Logging* viaMemory = static_cast<AspiMemAlloc*>(&d);
  EXPECT_EQ(viaDisplay, viaTransport);
  EXPECT_EQ(viaDisplay, viaPassThrough);
  EXPECT_EQ(viaDisplay, viaMemory);
}

TEST(WindowTest, DriveListFirstRowSelectedAndFirstPollAfter800ms) {
  auto d = DataDrive();
  auto e = DataDrive();
  Window w(Window::Machine({d, e}));
  ASSERT_EQ(w.form->ComboBox->Items().Count(), 2);
  EXPECT_EQ(w.form->ComboBox->Items()[0].substr(0, 10), "D: [0,0]  ");
  EXPECT_EQ(w.form->ComboBox->Items()[1].substr(0, 10), "E: [0,1]  ");
  EXPECT_EQ(w.form->ComboBox->ItemIndex(), 0);
  // Selecting the first row raised no change: nothing was polled.
  EXPECT_EQ(w.form->CDSize->Caption(), "CD");
  w.host().AdvanceMilliseconds(799);
  w.app().ProcessMessages();
  EXPECT_EQ(w.form->CDSize->Caption(), "CD");
  EXPECT_FALSE(w.form->StartButton->Enabled());
  w.host().AdvanceMilliseconds(1);
  w.app().ProcessMessages();
  EXPECT_TRUE(w.form->StartButton->Enabled());
  EXPECT_EQ(w.form->CDSize->Caption(), "CD Recorded Capacity = 359775    (79:59:00)");
  EXPECT_EQ(w.form->CapacityShown, 1);
}

// A drive that reports its missing disc in descriptor-format sense data (72 02 3A 00) is
// shown as having none, on the ASPI path and on the pass-through path alike.
TEST(WindowTest, DescriptorSenseNoDiscOnBothPaths) {
  for (const bool aspiPath : {true, false}) {
    SCOPED_TRACE(aspiPath ? "ASPI" : "pass-through");
    auto d = DataDrive();
    d->hook = [](const sim::ScsiRequest& r, sim::ScsiReply& reply) {
      if (r.cdb[0] != scsi::op::kTestUnitReady) return false;
      reply.status = scsi::status::kCheckCondition;
      reply.senseLength = static_cast<std::uint8_t>(
          scsi::BuildSense(reply.sense, sizeof reply.sense,
                           scsi::MakeSense(scsi::key::kNotReady, scsi::asc::kMediumNotPresent),
                           scsi::SenseFormat::Descriptor));
      return true;
    };
    sim::SimProfile profile =
        aspiPath ? sim::SimProfile::Windows98()
                 : sim::SimProfile::Windows2000(true).WithAspi(sim::AspiPlacement::None);
    profile.AddDrive('D', {0, 0, 0, 0}, d);
    Window w(std::move(profile));
    EXPECT_EQ(w.drive().SPTIActive, aspiPath ? 0 : 1);
    w.Tick();
    EXPECT_EQ(w.form->CDSize->Caption(), "No CD Present");
    EXPECT_FALSE(w.form->StartButton->Enabled());
  }
}

TEST(WindowTest, PollCaptionsForEveryDriveState) {
  auto d = DataDrive();
  Window w(Window::Machine({d}));
  TForm1& f = *w.form;

  d->inner().EjectDisc();
  w.Tick();
  EXPECT_EQ(f.CDSize->Caption(), "No CD Present");
  EXPECT_FALSE(f.StartButton->Enabled());
  const int tursBefore = static_cast<int>(d->inner().ReceivedCount());
  w.Tick();  // every tick repeats the test
  EXPECT_EQ(f.CDSize->Caption(), "No CD Present");
  EXPECT_GT(static_cast<int>(d->inner().ReceivedCount()), tursBefore);

  d->inner().InsertDisc(sim::Disc::Data(sim::Disc::Blocks(74, 0)));
  w.Tick();  // the medium change is reported once, then the drive spins up
  w.Tick();
  EXPECT_EQ(f.CDSize->Caption(), "In Progress of becoming ready");
  EXPECT_FALSE(f.StartButton->Enabled());
  for (int i = 0; i < 4 && !f.StartButton->Enabled(); ++i) w.Tick();
  EXPECT_TRUE(f.StartButton->Enabled());
  EXPECT_EQ(f.CDSize->Caption(), "CD Recorded Capacity = 333000    (74:02:00)");

  // Read once per ready period: further ticks send no READ TOC.
  int tocs = 0;
  d->hook = [&](const sim::ScsiRequest& r, sim::ScsiReply&) {
    if (r.cdb[0] == 0x43) ++tocs;
    return false;
  };
  w.Tick();
  w.Tick();
  EXPECT_EQ(tocs, 0);

  // Any other failure shows the command error text.
  d->hook = [](const sim::ScsiRequest& r, sim::ScsiReply& reply) {
    if (r.cdb[0] != 0x00) return false;
    reply = TestDrive::Check(0x02, 0x3E, 0x00);
    return true;
  };
  w.Tick();
  EXPECT_EQ(f.CDSize->Caption(), "02/3E/00  (Aspi reported : 0x04)");
  EXPECT_EQ(f.CapacityShown, 0);
  EXPECT_FALSE(f.StartButton->Enabled());
  // Nothing of the poll goes to the report.
  EXPECT_EQ(f.RichEdit->LineCount(), 0);
}

TEST(WindowTest, DriveChangeClearsTheCaptionAndPollsAtOnce) {
  auto d = DataDrive();
  sim::SimDriveConfig audio;
  audio.disc = sim::Disc::Audio({sim::Disc::Blocks(30, 0), sim::Disc::Blocks(20, 0)});
  auto e = std::make_shared<TestDrive>(audio);
  Window w(Window::Machine({d, e}));
  w.Tick();
  ASSERT_EQ(w.form->CapacityShown, 1);
  std::vector<std::string> captions;
  e->hook = [&](const sim::ScsiRequest&, sim::ScsiReply&) {
    captions.push_back(w.form->CDSize->Caption());
    return false;
  };
  w.form->ComboBox->PostSelect(1);
  w.app().ProcessMessages();  // no time passes: the poll runs at once
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.front(), "");  // cleared before the drive is asked
  EXPECT_EQ(w.form->CDSize->Caption(), "CD Recorded Capacity = 225000    (50:02:00)");
  EXPECT_EQ(w.form->RecordedCapacity, 225000);
  EXPECT_EQ(w.form->Edit1->Text(), "214998");
}

TEST(WindowTest, AbortWithoutATestWritesTheLineAndKeepsTheFlag) {
  Window w(Window::Machine({DataDrive()}));
  w.form->AbortButton->PostClick();
  w.app().ProcessMessages();
  EXPECT_EQ(w.form->AbortFlag, 1);
  ASSERT_EQ(w.Report().size(), 1u);
  EXPECT_EQ(w.Report()[0], (ReportLine{"Abort Requested ...", apptest::kRed, true}));
  w.Tick();
  EXPECT_EQ(w.form->AbortFlag, 1);
}

TEST(WindowTest, AboutText) {
  Window w(Window::Machine({DataDrive()}));
  w.form->RichEdit->Lines().Add("old line");
  w.form->HelpButton->PostClick();
  w.app().ProcessMessages();
  using apptest::kNavy;
  using apptest::kPlain;
  const std::vector<ReportLine> expected = {
      {"Simple Velmark Measuring Tool", kNavy, false},
      {"", kPlain, false},
      {"Choose your own start address", kPlain, false},
      {"Choose your own amount of blocks to read", kPlain, false},
      {"Test Normal Data mode or Raw Data Mode", kPlain, false},
      {"Raw Data Mode is Digital Audio Extraction (DAE)", kPlain, false},
      {"", kPlain, false},
      {"Preferably use CD's over 70 minutes to get the best performance", kPlain, false},
      {"", kPlain, false},
      {"support@tessaly.example, 24/10/2000", kNavy, false},
      {"https://tessaly.example/velmark", kNavy, false},
  };
  EXPECT_EQ(w.Report(), expected);
}

TEST(WindowTest, RegistryRecordAtEveryStart) {
  Window w(Window::Machine({DataDrive()}));
  const auto writes = w.host().RegistryWrites();
  ASSERT_EQ(writes.size(), 3u);
  const struct {
    const char* name;
    const char* value;
  } expected[] = {{"Version", "0.99.2"},
                  {"URL", "https://tessaly.example/velmark"},
                  {"Email", "support@tessaly.example"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(writes[i].key, "HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark");
    EXPECT_EQ(writes[i].name, expected[i].name);
    EXPECT_EQ(writes[i].type, static_cast<DWORD>(REG_SZ));
    const std::string value(writes[i].data.begin(), writes[i].data.end());
    EXPECT_EQ(value, std::string(expected[i].value) + '\0');
  }
}

TEST(WindowTest, RegistryKeyThatCannotBeCreatedIsSilent) {
  sim::SimProfile p = Window::Machine({DataDrive()});
  p.registryCreateError = 5;  // access denied
  Window w(std::move(p));
  EXPECT_TRUE(w.host().RegistryWrites().empty());
  EXPECT_TRUE(w.host().MessageBoxes().empty());
  w.Tick();
  EXPECT_TRUE(w.form->StartButton->Enabled());
}

TEST(WindowTest, EmptyDriveList) {
  Window w(Window::Machine({}));
  TForm1& f = *w.form;
  EXPECT_EQ(f.ComboBox->Items().Count(), 0);
  EXPECT_EQ(f.ComboBox->ItemIndex(), -1);
  EXPECT_EQ(f.CDSize->Caption(), TForm1::kNoDriveText);
  const size_t calls = w.host().PassThroughCalls().size();
  w.Tick();
  w.Tick();
  EXPECT_EQ(f.CDSize->Caption(), TForm1::kNoDriveText);
  EXPECT_FALSE(f.StartButton->Enabled());
  EXPECT_EQ(f.CapacityShown, 0);
  // Start, clicked by program, has no drive to address: nothing is sent or written.
  f.StartButton->Click();
  EXPECT_EQ(w.host().PassThroughCalls().size(), calls);
  EXPECT_EQ(f.RichEdit->LineCount(), 0);
  EXPECT_FALSE(f.LastTest().started);
}

}  // namespace
