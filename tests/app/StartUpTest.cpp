// The start-up entry of the window programs, run headless on a simulated machine.
#include "app/StartUp.h"

#include <gtest/gtest.h>

#include "sim/win32/DemoMachine.h"

namespace {

TEST(StartUpTest, TitleWindowPollAndLoopUntilTheWindowCloses) {
  // As in a program: the machine first, then the drive-access object built on it, both
  // with static storage; they go in the reverse order at exit.
  static sim::DemoMachine machine(sim::ClockMode::Virtual);
  static AspiVCL driveAccess;
  toolkit::ScopedApplication app;

  std::string caption, title;
  bool startEnabled = false;
  TForm1* seen = nullptr;
  // Two seconds into the loop the user closes the window.
  app->PostAfter(2000, [&] {
    seen = Form1;
    title = app->Title();
    caption = Form1->CDSize->Caption();
    startEnabled = Form1->StartButton->Enabled();
    Form1->Close();
  });
  EXPECT_EQ(VelmarkMain<driveAccess>(), 0);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(title, "Velmark");
  EXPECT_EQ(caption, "CD Recorded Capacity = 359775    (79:59:00)");
  EXPECT_TRUE(startEnabled);
  EXPECT_EQ(Form1, nullptr);  // the window went with the loop
  EXPECT_EQ(machine.host().RegistryWrites().size(), 3u);
}

}  // namespace
