// The main window drawn by the Qt view on the offscreen platform.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/AspiVCL.h"
#include "app/TForm1.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtView.h"

namespace {

// Pixels of `image` inside the rectangle whose colour is within 40 of (r, g, b).
int CountNear(const QImage& image, QRect area, int r, int g, int b) {
  int n = 0;
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - r) < 40 && std::abs(c.green() - g) < 40 && std::abs(c.blue() - b) < 40)
        ++n;
    }
  return n;
}

TEST(WindowQtTest, DrawnOffscreenBeforeAndAfterASpeedTest) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  AspiVCL drive;
  toolkit::ScopedApplication app;
  toolkit::qt::QtView view;
  app->SetBackend(&view);
  app->SetTitle("Velmark");
  TForm1* form = new TForm1(&*app, drive);
  form->Show();
  view.Show(*form);

  QWidget* top = view.WidgetOf(*form);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->windowTitle().toStdString(), "Velmark  ");
  ASSERT_NE(view.WidgetOf(*form->RichEdit), nullptr);
  ASSERT_NE(view.WidgetOf(*form->Velmark), nullptr);

  machine.host().AdvanceMilliseconds(800);
  app->ProcessMessages();
  const auto dir = std::filesystem::temp_directory_path() / "velmark-qt-test";
  std::filesystem::create_directories(dir);
  const std::string before = (dir / "before.png").string();
  const std::string after = (dir / "after.png").string();
  ASSERT_TRUE(view.SaveScreenshot(*form, before));

  QImage b(QString::fromStdString(before));
  ASSERT_FALSE(b.isNull());
  EXPECT_EQ(b.width(), form->ClientWidth());
  EXPECT_EQ(b.height(), form->ClientHeight());
  // The speed panel is navy; the empty report is white.
  const QRect panel(216, 26 + 124, 177, 22);
  EXPECT_GT(CountNear(b, panel, 0, 0, 128), panel.width() * panel.height() / 2);
  const QRect report(0, 193, 370, 181);
  EXPECT_EQ(CountNear(b, report, 0, 128, 0), 0);

  form->StartButton->PostClick();
  app->ProcessMessages();
  ASSERT_TRUE(form->LastTest().timedRead);
  ASSERT_TRUE(view.SaveScreenshot(*form, after));
  QImage a(QString::fromStdString(after));
  ASSERT_FALSE(a.isNull());
  // The report now holds green and navy lines.
  EXPECT_GT(CountNear(a, report, 0, 128, 0), 20);
  EXPECT_GT(CountNear(a, report, 0, 0, 128), 20);
  delete form;  // while the view that draws it is still there
  app->SetBackend(nullptr);
}

}  // namespace
