// The Qt drawing of the toolkit on the offscreen platform.
#include "toolkit/qt/QtView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <string>

#include "platform/Host.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtConvert.h"

namespace {

using namespace toolkit;

// A small window: a navy display panel, an edit, a button, a check box, a drive list, a
// report filling the rest and a status bar.
class SmallForm : public TForm {
 public:
  explicit SmallForm(TComponent* owner) : TForm(owner) {
    SetCaption("Small  ");
    SetClientSize(300, 200);
    status = new TStatusBar(this);
    status->SetParent(this);
    status->SetBounds(0, 181, 300, 19);
    status->SetSimplePanel(true);
    top = new TPanel(this);
    top->SetParent(this);
    top->SetBevelOuter(bvNone);
    top->SetBounds(0, 0, 300, 60);
    top->SetAlign(alTop);
    edit = new TEdit(this);
    edit->SetParent(top);
    edit->SetBounds(4, 4, 100, 21);
    edit->SetText("300000");
    edit->OnChange = TNotifyEvent([this](TObject*) { ++changes; });
    button = new TButton(this);
    button->SetParent(top);
    button->SetBounds(110, 4, 73, 22);
    button->SetCaption("&Start");
    button->OnClick = TNotifyEvent([this](TObject*) { ++clicks; });
    display = new TPanel(this);
    display->SetParent(top);
    display->SetBounds(190, 4, 100, 22);
    display->SetBevelOuter(bvLowered);
    display->SetColor(clNavy);
    TFont big = display->Font();
    big.Color = clSilver;
    big.Height = -16;
    big.Style.Include(fsBold);
    display->SetFont(big);
    display->SetCaption("x");
    display->SetHint("the speed");
    display->SetShowHint(true);
    check = new TCheckBox(this);
    check->SetParent(top);
    check->SetBounds(4, 32, 150, 17);
    check->SetCaption("Disable");
    combo = new TComboBox(this);
    combo->SetParent(top);
    combo->SetBounds(160, 32, 130, 21);
    combo->SetStyle(csDropDownList);
    combo->Items().Add("first drive");
    combo->Items().Add("second drive");
    combo->SetItemIndex(0);
    combo->OnChange = TNotifyEvent([this](TObject*) { ++drivesChosen; });
    report = new TRichEdit(this);
    report->SetParent(this);
    report->SetAlign(alClient);
    report->SetReadOnly(true);
    report->SetScrollBars(ssVertical);
  }
  TStatusBar* status;
  TPanel* top;
  TEdit* edit;
  TButton* button;
  TPanel* display;
  TCheckBox* check;
  TComboBox* combo;
  TRichEdit* report;
  int changes = 0, clicks = 0, drivesChosen = 0;
};

class QtViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new SmallForm(nullptr);
    view.Show(*form);
  }
  void TearDown() override { delete form; }
  template <class W>
  W* Widget(const TControl* c) {
    W* w = dynamic_cast<W*>(view.WidgetOf(*c));
    EXPECT_NE(w, nullptr) << c->ClassName();
    return w;
  }
  void AddReportLine(const std::string& text, TColor color, TFontStyles style) {
    form->report->SelAttributes().Color = color;
    form->report->SelAttributes().Style = style;
    form->report->Lines().Add(text);
    form->report->Perform(EM_SCROLLCARET, 0, 0);
    form->report->SelAttributes() = form->report->DefAttributes();
  }

  ScopedApplication app;
  qt::QtView view;
  SmallForm* form = nullptr;
};

TEST_F(QtViewTest, AClickOnTheButtonRaisesOnClickAndTypingReachesTheEdit) {
  auto* button = Widget<QPushButton>(form->button);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "&Start");
  button->click();
  EXPECT_EQ(form->clicks, 1);
  form->button->SetEnabled(false);
  EXPECT_FALSE(button->isEnabled());
  button->click();  // a disabled button takes no click
  EXPECT_EQ(form->clicks, 1);

  auto* edit = Widget<QLineEdit>(form->edit);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), "300000");
  edit->selectAll();
  QTest::keyClicks(edit, "1234");
  EXPECT_EQ(form->edit->Text(), "1234");
  EXPECT_EQ(form->changes, 4);  // one change per key

  form->edit->SetText("42");  // model to widget
  EXPECT_EQ(edit->text(), "42");
}

TEST_F(QtViewTest, ChoicesGoBothWays) {
  auto* combo = Widget<QComboBox>(form->combo);
  auto* check = Widget<QCheckBox>(form->check);
  ASSERT_TRUE(combo && check);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentIndex(), 0);
  emit combo->activated(1);  // the user picks a row
  EXPECT_EQ(form->combo->ItemIndex(), 1);
  EXPECT_EQ(form->drivesChosen, 1);
  form->combo->SetItemIndex(0);  // by program: no event
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(form->drivesChosen, 1);
  form->combo->Items().Add("third drive");
  EXPECT_EQ(combo->count(), 3);

  check->click();
  EXPECT_TRUE(form->check->Checked());
  form->check->SetChecked(false);
  EXPECT_FALSE(check->isChecked());
}

TEST_F(QtViewTest, LayoutFollowsTheModelAndTheUsersResizing) {
  auto* top = view.WidgetOf(*form);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->size(), QSize(300, 200));
  EXPECT_EQ(view.WidgetOf(*form->status)->geometry(), QRect(0, 181, 300, 19));
  EXPECT_EQ(view.WidgetOf(*form->report)->geometry(), QRect(0, 60, 300, 121));
  EXPECT_EQ(view.WidgetOf(*form->edit)->geometry(), QRect(4, 4, 100, 21));

  top->resize(500, 400);  // the user drags the frame
  view.Flush();
  EXPECT_EQ(form->ClientWidth(), 500);
  EXPECT_EQ(form->ClientHeight(), 400);
  EXPECT_EQ(view.WidgetOf(*form->status)->geometry(), QRect(0, 381, 500, 19));
  EXPECT_EQ(view.WidgetOf(*form->top)->geometry(), QRect(0, 0, 500, 60));
  EXPECT_EQ(view.WidgetOf(*form->report)->geometry(), QRect(0, 60, 500, 321));
  EXPECT_EQ(view.WidgetOf(*form->edit)->geometry(), QRect(4, 4, 100, 21));
}

TEST_F(QtViewTest, ReportLinesCarryColourAndAllFourStylesNewestInView) {
  AddReportLine("navy bold", clNavy, TFontStyles{fsBold});
  AddReportLine("red italic", clRed, TFontStyles{fsItalic});
  AddReportLine("green underline", clGreen, TFontStyles{fsUnderline});
  AddReportLine("plain strike", clWindowText, TFontStyles{fsStrikeOut});
  auto* te = Widget<QTextEdit>(form->report);
  ASSERT_NE(te, nullptr);
  QTextDocument* doc = te->document();
  ASSERT_EQ(doc->blockCount(), 4);
  struct Want {
    const char* text;
    QColor colour;
    bool bold, italic, underline, strike;
  };
  const Want want[] = {{"navy bold", QColor(0, 0, 128), true, false, false, false},
                       {"red italic", QColor(255, 0, 0), false, true, false, false},
                       {"green underline", QColor(0, 128, 0), false, false, true, false},
                       {"plain strike", QColor(0, 0, 0), false, false, false, true}};
  for (int i = 0; i < 4; ++i) {
    const QTextBlock block = doc->findBlockByNumber(i);
    EXPECT_EQ(block.text(), want[i].text);
    const QTextCharFormat f = block.begin().fragment().charFormat();
    EXPECT_EQ(f.foreground().color(), want[i].colour) << i;
    EXPECT_EQ(f.font().bold(), want[i].bold) << i;
    EXPECT_EQ(f.font().italic(), want[i].italic) << i;
    EXPECT_EQ(f.font().underline(), want[i].underline) << i;
    EXPECT_EQ(f.font().strikeOut(), want[i].strike) << i;
  }
  for (int i = 0; i < 60; ++i) AddReportLine("line " + std::to_string(i), clNavy, {});
  view.Flush();
  QScrollBar* bar = te->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  QTextCursor last(doc->lastBlock());
  const QRect lastLine = te->cursorRect(last);
  EXPECT_TRUE(te->viewport()->rect().contains(lastLine)) << lastLine.y();
  EXPECT_TRUE(te->isReadOnly());

  form->report->Clear();
  EXPECT_EQ(te->document()->toPlainText(), "");
}

TEST_F(QtViewTest, PanelsFontsAndToolTips) {
  QWidget* display = view.WidgetOf(*form->display);
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->toolTip(), "the speed");
  EXPECT_EQ(display->font().pixelSize(), 16);
  EXPECT_TRUE(display->font().bold());
  EXPECT_EQ(display->palette().color(QPalette::Window), QColor(0, 0, 128));
  const QFont editFont = view.WidgetOf(*form->edit)->font();
  EXPECT_EQ(editFont.pixelSize(), 11);
  EXPECT_EQ(editFont.family(), qt::FamilyFor("MS Sans Serif"));
  if (!QFontDatabase::families().contains("MS Sans Serif")) {
    EXPECT_EQ(editFont.family(), "DejaVu Sans");
  }
  form->display->SetShowHint(false);
  EXPECT_TRUE(display->toolTip().isEmpty());
}

TEST_F(QtViewTest, ScreenshotIsAPngOfTheWindow) {
  AddReportLine("Average speed : 1.33 x", clNavy, TFontStyles{fsBold});
  form->status->SetSimpleText("Reading ...");
  form->display->SetCaption("52.00 x");
  const std::string dir = ::testing::TempDir();
  const std::string path = dir + "/velmark-small-form.png";
  ASSERT_TRUE(view.SaveScreenshot(*form, path));
  const QFileInfo info(QString::fromStdString(path));
  EXPECT_GT(info.size(), 0);
  QImage image(QString::fromStdString(path));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 300 * image.devicePixelRatio());
  EXPECT_EQ(image.height(), 200 * image.devicePixelRatio());
  // Inside the navy display panel, away from its caption and bevel.
  EXPECT_EQ(QColor(image.pixel(193, 7)), QColor(0, 0, 128));
  if (const char* keep = std::getenv("VELMARK_SCREENSHOT_DIR")) {
    view.SaveScreenshot(*form, std::string(keep) + "/velmark-small-form.png");
  }
  TForm other(nullptr);
  EXPECT_FALSE(view.SaveScreenshot(other, path));  // not drawn here
}

TEST_F(QtViewTest, DestroyedControlsLoseTheirWidgets) {
  QPointer<QWidget> check = view.WidgetOf(*form->check);
  ASSERT_FALSE(check.isNull());
  delete form->check;
  form->check = nullptr;
  EXPECT_EQ(form->top->ControlCount(), 4);
  view.Flush();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(check.isNull());

  auto* later = new TLabel(form);  // a control added while the window is up is drawn
  later->SetParent(form->top);
  later->SetCaption("added");
  auto* label = Widget<QLabel>(later);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "added");
}

TEST_F(QtViewTest, MessageBoxesAppearAsQtDialogsWhileTheWindowIsUp) {
  QString seenTitle, seenText;
  QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seenTitle = box->windowTitle();
    seenText = box->text();
    seenIcon = box->icon();
    box->accept();
  });
  app->SetTitle("Velmark");
  app->ShowException(EConvertError("'x' is not a valid integer value"));
  EXPECT_EQ(seenTitle, "Velmark");
  EXPECT_EQ(seenText, "'x' is not a valid integer value");
  EXPECT_EQ(seenIcon, QMessageBox::Critical);
}

// The widget the Tab key moves to from `w`: the next one in the focus chain that takes
// focus by Tab.
QWidget* NextTabStop(QWidget* w) {
  for (QWidget* n = w->nextInFocusChain(); n != nullptr && n != w; n = n->nextInFocusChain()) {
    if ((n->focusPolicy() & Qt::TabFocus) && n->isVisibleTo(w->window()) && n->isEnabled()) {
      return n;
    }
  }
  return nullptr;
}

TEST_F(QtViewTest, TabOrderFollowsTheControlsTabOrder) {
  form->combo->SetTabOrder(0);
  form->button->SetTabOrder(1);
  form->edit->SetTabOrder(2);
  form->check->SetTabOrder(3);
  QWidget* combo = view.WidgetOf(*form->combo);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(NextTabStop(combo), view.WidgetOf(*form->button));
  EXPECT_EQ(NextTabStop(view.WidgetOf(*form->button)), view.WidgetOf(*form->edit));
  EXPECT_EQ(NextTabStop(view.WidgetOf(*form->edit)), view.WidgetOf(*form->check));
  EXPECT_EQ(view.WidgetOf(*form->display)->focusPolicy(), Qt::NoFocus);
}

TEST(QtViewLifetime, AHandlerMayDestroyItsOwnWindowAndPumpOn) {
  ScopedApplication app;
  qt::QtView view;
  auto* form = new TForm(nullptr);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(0, 0, 40, 20);
  bool after = false;
  button->OnClick = TNotifyEvent([&](TObject*) {
    delete form;
    form = nullptr;
    app->ProcessMessages();  // the view of the window is still on the stack here
    view.Flush();
    after = true;
  });
  view.Show(*form);
  auto* widget = qobject_cast<QPushButton*>(view.WidgetOf(*button));
  ASSERT_NE(widget, nullptr);
  widget->click();
  EXPECT_TRUE(after);
  EXPECT_EQ(form, nullptr);
  view.Flush();
}

TEST(QtViewSink, MessageBoxesLeaveTheWindowWhenItCloses) {
  ScopedApplication app;
  qt::QtView view;
  platform::Host& host = platform::CurrentHost();
  TForm form(nullptr);
  EXPECT_FALSE(static_cast<bool>(host.messageBoxSink()));
  view.FormShown(form);
  EXPECT_TRUE(static_cast<bool>(host.messageBoxSink()));
  view.FormHidden(form);
  EXPECT_FALSE(static_cast<bool>(host.messageBoxSink()));
}

TEST(QtViewLoop, RunDrawsTheMainFormAndEndsWhenItCloses) {
  ScopedApplication app;
  qt::QtView view;
  app->SetBackend(&view);
  TForm* form = nullptr;
  app->CreateForm(form);
  form->SetCaption("Loop");
  form->SetClientSize(120, 80);
  auto* timer = new TTimer(form);
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = TNotifyEvent([&](TObject*) {
    ++ticks;
    if (ticks == 3) form->Close();
  });
  app->SetPumpLimit(100000);  // a guard: the close ends it long before
  app->Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(form->Closed());
  ASSERT_NE(view.WidgetOf(*form), nullptr);
  EXPECT_FALSE(view.WidgetOf(*form)->isVisible());
  EXPECT_EQ(view.WidgetOf(*form)->windowTitle(), "Loop");
  app->SetBackend(nullptr);
}

}  // namespace

namespace {

// Pixels of `image` close to `colour`.
int PixelsOf(const QImage& image, TColor colour) {
  const QColor want = qt::ToQColor(colour);
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - want.red()) < 24 && std::abs(c.green() - want.green()) < 24 &&
          std::abs(c.blue() - want.blue()) < 24)
        ++count;
    }
  }
  return count;
}

TEST_F(QtViewTest, AGraphIsDrawnFromItsModelAndFollowsItsChanges) {
  auto* graph = new TGraph(form);
  graph->SetParent(form);
  graph->SetBounds(0, 60, 300, 120);
  QWidget* widget = view.WidgetOf(*graph);
  ASSERT_NE(widget, nullptr);
  const int speed = graph->AddSeries("Speed", clBlue, gaLeft);
  const int rpm = graph->AddSeries("Rotation", clRed, gaRight);
  view.Flush();
  // Only the legend's swatches carry the series' colours while there are no points.
  const int legendBlue = PixelsOf(widget->grab().toImage(), clBlue);
  const int legendRed = PixelsOf(widget->grab().toImage(), clRed);
  for (int i = 0; i <= 40; ++i) {
    graph->AddPoint(speed, i, 20 + i / 2.0);
    graph->AddPoint(rpm, i, 10000 - i * 50);
  }
  view.Flush();
  QImage drawn = widget->grab().toImage();
  EXPECT_GT(PixelsOf(drawn, clBlue), legendBlue + 200);
  EXPECT_GT(PixelsOf(drawn, clRed), legendRed + 200);
  graph->ClearPoints();
  view.Flush();
  drawn = widget->grab().toImage();
  EXPECT_EQ(PixelsOf(drawn, clBlue), legendBlue);
}

}  // namespace
