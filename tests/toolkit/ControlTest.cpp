#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "toolkit/Toolkit.h"

namespace {

using namespace toolkit;

// Records the events it receives, as a window's handlers would.
class Recorder : public TObject {
 public:
  void Change(TObject* sender) { log.push_back(sender); }
  std::vector<TObject*> log;
};

class ControlTest : public ::testing::Test {
 protected:
  toolkit_test::FakeHost host;
  platform::ScopedHost scopedHost{host};
  ScopedApplication app;
};

TEST_F(ControlTest, EditRaisesOnChangeAtOnceAndOnlyWhenTheTextDiffers) {
  TForm form(nullptr);
  Recorder r;
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->OnChange = TNotifyEvent(&r, &Recorder::Change);

  edit->SetText("300000");
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0], edit);
  edit->SetText("300000");
  EXPECT_EQ(r.log.size(), 1u);
  edit->SetText("");
  EXPECT_EQ(r.log.size(), 2u);

  edit->UserSetText("12");  // typing
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(r.log.size(), 3u);
  edit->SetReadOnly(true);
  edit->UserSetText("13");
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(r.log.size(), 3u);
}

TEST_F(ControlTest, TypingRaisesOneChangePerKeyAtTheFollowingPumps) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetText("30");
  std::vector<std::string> seen;
  edit->OnChange = TNotifyEvent([&](TObject*) { seen.push_back(edit->Text()); });
  edit->PostTyping("0\b\b\b\b7");
  EXPECT_TRUE(seen.empty());
  Application->ProcessMessages();
  // Erasing an empty text changes nothing and raises nothing.
  EXPECT_EQ(seen, (std::vector<std::string>{"300", "30", "3", "", "7"}));
}

TEST_F(ControlTest, ComboRaisesOnChangeOnlyForTheUsersChoice) {
  TForm form(nullptr);
  Recorder r;
  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetStyle(csDropDownList);
  combo->OnChange = TNotifyEvent(&r, &Recorder::Change);
  combo->Items().Add("D: first");
  combo->Items().Add("E: second");

  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->Text(), "D: first");
  EXPECT_TRUE(r.log.empty());

  combo->UserSelect(1);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(r.log.size(), 1u);
  combo->UserSelect(5);  // no such row
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(r.log.size(), 1u);

  combo->SetItemIndex(7);  // out of range chooses none
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(1);
  combo->Items().Clear();
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
}

TEST_F(ControlTest, UserInputReachesOnlyVisibleEnabledControls) {
  TForm form(nullptr);  // a form not yet shown still takes posted input
  Recorder r;
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* button = new TButton(&form);
  button->SetParent(panel);
  button->OnClick = TNotifyEvent(&r, &Recorder::Change);

  struct Case {
    bool buttonEnabled, buttonVisible, panelEnabled, panelVisible, clicks;
  };
  const Case cases[] = {
      {true, true, true, true, true},   {false, true, true, true, false},
      {true, false, true, true, false}, {true, true, false, true, false},
      {true, true, true, false, false},
  };
  for (const Case& c : cases) {
    button->SetEnabled(c.buttonEnabled);
    button->SetVisible(c.buttonVisible);
    panel->SetEnabled(c.panelEnabled);
    panel->SetVisible(c.panelVisible);
    r.log.clear();
    button->UserClick();
    EXPECT_EQ(r.log.size(), c.clicks ? 1u : 0u);
    button->Click();  // by program the handler always runs
    EXPECT_EQ(r.log.size(), c.clicks ? 2u : 1u);
  }
}

TEST_F(ControlTest, CheckBoxClickTogglesAndReports) {
  TForm form(nullptr);
  Recorder r;
  auto* box = new TCheckBox(&form);
  box->SetParent(&form);
  box->OnClick = TNotifyEvent(&r, &Recorder::Change);
  EXPECT_FALSE(box->Checked());
  box->UserClick();
  EXPECT_TRUE(box->Checked());
  box->UserClick();
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(r.log.size(), 2u);
  box->SetChecked(false);  // unchanged: no event
  EXPECT_EQ(r.log.size(), 2u);
}

TEST_F(ControlTest, RadioGroupUserChoiceChangesTheIndex) {
  TForm form(nullptr);
  Recorder r;
  auto* group = new TRadioGroup(&form);
  group->SetParent(&form);
  group->OnClick = TNotifyEvent(&r, &Recorder::Change);
  group->Items().Add("Data");
  group->Items().Add("Raw (e.g. Audio)");
  group->SetItemIndex(0);
  group->SetColumns(2);
  EXPECT_TRUE(r.log.empty());
  group->UserSelect(1);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(r.log.size(), 1u);
  group->UserSelect(2);
  EXPECT_EQ(group->ItemIndex(), 1);
  group->SetColumns(0);
  EXPECT_EQ(group->Columns(), 1);
}

// The main window's frame: status bar at the bottom, a client panel holding a tool bar and
// a panel at the top and a report panel taking the rest.
struct Layout {
  explicit Layout(TForm& form) {
    form.SetBounds(0, 0, 401, 420);
    status = new TStatusBar(&form);
    status->SetParent(&form);
    status->SetBounds(0, 374, 393, 19);
    main = new TPanel(&form);
    main->SetParent(&form);
    main->SetBevelOuter(bvNone);
    main->SetAlign(alClient);
    tool = new TToolBar(&form);
    tool->SetParent(main);
    tool->SetBounds(0, 0, 393, 26);
    inner = new TPanel(&form);
    inner->SetParent(main);
    inner->SetBounds(0, 26, 393, 167);
    inner->SetAlign(alTop);
    label = new TLabel(&form);
    label->SetParent(inner);
    label->SetBounds(6, 32, 70, 13);
    bottom = new TPanel(&form);
    bottom->SetParent(main);
    bottom->SetBounds(0, 193, 393, 181);
    bottom->SetAlign(alClient);
    rich = new TRichEdit(&form);
    rich->SetParent(bottom);
    rich->SetAlign(alClient);
  }
  TStatusBar* status;
  TPanel* main;
  TToolBar* tool;
  TPanel* inner;
  TLabel* label;
  TPanel* bottom;
  TRichEdit* rich;
};

void ExpectBounds(const TControl* c, int l, int t, int w, int h) {
  EXPECT_EQ(c->Left(), l) << c->ClassName();
  EXPECT_EQ(c->Top(), t) << c->ClassName();
  EXPECT_EQ(c->Width(), w) << c->ClassName();
  EXPECT_EQ(c->Height(), h) << c->ClassName();
}

TEST_F(ControlTest, AlignmentPlacesTheWindowFrameAndFollowsResizing) {
  TForm form(nullptr);
  Layout l(form);
  EXPECT_EQ(form.ClientWidth(), 393);
  EXPECT_EQ(form.ClientHeight(), 393);
  ExpectBounds(l.status, 0, 374, 393, 19);
  ExpectBounds(l.main, 0, 0, 393, 374);
  ExpectBounds(l.tool, 0, 0, 393, 26);
  ExpectBounds(l.inner, 0, 26, 393, 167);
  ExpectBounds(l.bottom, 0, 193, 393, 181);
  ExpectBounds(l.rich, 0, 0, 393, 181);
  ExpectBounds(l.label, 6, 32, 70, 13);

  form.SetClientSize(600, 500);
  ExpectBounds(l.status, 0, 481, 600, 19);
  ExpectBounds(l.main, 0, 0, 600, 481);
  ExpectBounds(l.tool, 0, 0, 600, 26);
  ExpectBounds(l.inner, 0, 26, 600, 167);
  ExpectBounds(l.bottom, 0, 193, 600, 288);
  ExpectBounds(l.rich, 0, 0, 600, 288);
  ExpectBounds(l.label, 6, 32, 70, 13);

  form.SetClientSize(300, 150);  // smaller than the top panels: the report gets nothing
  ExpectBounds(l.bottom, 0, 193, 300, 0);

  l.status->SetVisible(false);  // a hidden bar gives its room back
  form.SetClientSize(393, 393);
  ExpectBounds(l.main, 0, 0, 393, 393);
}

TEST_F(ControlTest, FontsAndColoursFollowTheParentUntilSetOwn) {
  TForm form(nullptr);
  EXPECT_EQ(form.Font().Name, "MS Sans Serif");
  EXPECT_EQ(form.Font().Height, -11);
  EXPECT_EQ(form.Font().Size(), 8);
  EXPECT_EQ(form.Color(), clBtnFace);

  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  TFont big = form.Font();
  big.Height = -16;
  big.Style.Include(fsBold);
  big.Color = clSilver;
  panel->SetFont(big);
  EXPECT_EQ(label->Font(), big);
  EXPECT_EQ(form.Font().Height, -11);

  TFont navy = label->Font();
  navy.Color = clNavy;
  label->SetFont(navy);
  EXPECT_FALSE(label->ParentFont());
  panel->SetFont(form.Font());
  EXPECT_EQ(label->Font().Color, clNavy);
  EXPECT_EQ(label->Font().Height, -16);

  panel->SetColor(clNavy);
  EXPECT_EQ(label->Color(), clNavy);  // labels show their parent's colour
  EXPECT_EQ(ColorToRGB(clNavy), 0x800000);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));

  TFont f;
  f.SetSize(8);
  EXPECT_EQ(f.Height, -11);
  f.SetSize(12);
  EXPECT_EQ(f.Height, -16);
}

class ChangeLog : public TControlObserver {
 public:
  void ControlChanged(TControl& c, TChange change) override { changes.push_back({&c, change}); }
  void ControlDestroyed(TControl& c) override { destroyed.push_back(&c); }
  std::vector<std::pair<TControl*, TChange>> changes;
  std::vector<TControl*> destroyed;
};

TEST_F(ControlTest, TheViewHearsOfChangesAndDestruction) {
  ChangeLog view;
  auto* form = new TForm(nullptr);
  form->SetObserver(&view);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  view.changes.clear();
  edit->SetText("a");
  edit->SetEnabled(false);
  edit->SetEnabled(false);
  ASSERT_EQ(view.changes.size(), 2u);
  EXPECT_EQ(view.changes[0].second, TChange::Text);
  EXPECT_EQ(view.changes[1].second, TChange::Enabled);
  delete form;
  ASSERT_EQ(view.destroyed.size(), 2u);
  EXPECT_EQ(view.destroyed[0], edit);
}

TEST_F(ControlTest, SeveralObserversFollowOneWindow) {
  ChangeLog view, printer;
  TForm form(nullptr);
  auto* report = new TRichEdit(&form);
  report->SetParent(&form);
  form.SetObserver(&view);
  form.AddObserver(&printer);
  form.AddObserver(&printer);  // once only
  report->Lines().Add("line");
  ASSERT_EQ(view.changes.size(), 1u);
  ASSERT_EQ(printer.changes.size(), 1u);
  EXPECT_EQ(printer.changes[0], std::make_pair(static_cast<TControl*>(report), TChange::Lines));
  form.RemoveObserver(&printer);
  report->Lines().Add("more");
  EXPECT_EQ(view.changes.size(), 2u);
  EXPECT_EQ(printer.changes.size(), 1u);
  form.SetObserver(nullptr);
}

// However many lines a report receives, it holds a bounded number: its newest ones.
TEST_F(ControlTest, ReportKeepsItsNewestLinesInBoundedMemory) {
  TForm form(nullptr);
  auto* report = new TRichEdit(&form);
  const int added = 25000;
  for (int i = 0; i < added; ++i) report->Lines().Add(std::to_string(i));
  EXPECT_LE(report->LineCount(), 10000);
  EXPECT_EQ(report->LinesDropped() + report->LineCount(), added);
  EXPECT_EQ(report->Lines()[0], std::to_string(report->LinesDropped()));
  EXPECT_EQ(report->Lines()[report->LineCount() - 1], std::to_string(added - 1));
  EXPECT_EQ(report->CaretLine(), report->LineCount() - 1);
  report->Clear();
  EXPECT_EQ(report->LinesDropped(), 0);
}

TEST_F(ControlTest, DestroyingAChildDetachesItAndCancelsItsPostedInput) {
  TForm form(nullptr);
  Recorder r;
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->OnClick = TNotifyEvent(&r, &Recorder::Change);
  button->PostClick();
  EXPECT_EQ(form.ControlCount(), 1);
  EXPECT_EQ(form.ComponentCount(), 1);
  delete button;
  EXPECT_EQ(form.ControlCount(), 0);
  EXPECT_EQ(form.ComponentCount(), 0);
  Application->ProcessMessages();  // the click is dropped, nothing dangles
  EXPECT_TRUE(r.log.empty());
}

TEST_F(ControlTest, AHandlerMayDestroyTheControlItBelongsTo) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  int calls = 0;
  std::string after;
  button->OnClick = TNotifyEvent([&, button](TObject* sender) {
    EXPECT_EQ(sender, button);
    delete button;  // frees the event that is running
    ++calls;        // the handler's own state must still be there
    after = "still running";
  });
  button->PostClick();
  Application->ProcessMessages();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(after, "still running");
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST(AccessKey, FindsTheMarkedCharacter) {
  EXPECT_EQ(AccessKeyOf("&Start"), 'S');
  EXPECT_EQ(AccessKeyOf("&abort"), 'A');
  EXPECT_EQ(AccessKeyOf("Save && &Quit"), 'Q');
  EXPECT_EQ(AccessKeyOf("none"), 0);
  EXPECT_EQ(AccessKeyOf("end&"), 0);
  EXPECT_EQ(StripAccessKey("&Start"), "Start");
  EXPECT_EQ(StripAccessKey("Save && &Quit"), "Save & Quit");
}

TEST(Bitmap, BoundsAreChecked) {
  TBitmap b(3, 2);
  b.SetPixelColor(2, 1, clRed);
  EXPECT_EQ(b.Pixel(2, 1), 0xFFFF0000u);
  b.SetPixel(3, 0, 0xFFFFFFFFu);
  b.SetPixel(-1, 0, 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(3, 0), 0u);
  EXPECT_EQ(b.Pixel(0, 0), 0u);
  b.FillRect(-5, -5, 100, 100, 0xFF000080u);
  EXPECT_EQ(b.Pixel(0, 0), 0xFF000080u);
  EXPECT_EQ(b.Pixels().size(), 6u);
}

}  // namespace
