#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "FakeHost.h"
#include "toolkit/Toolkit.h"

namespace {

using namespace toolkit;

class ApplicationTest : public ::testing::Test {
 protected:
  toolkit_test::FakeHost host;
  platform::ScopedHost scopedHost{host};
  ScopedApplication app;
  std::vector<std::string> log;
};

TEST_F(ApplicationTest, PostedActionsRunAtTheNextPumpInOrder) {
  app->Post([&] { log.push_back("a"); });
  app->Post([&] { log.push_back("b"); });
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(app->ProcessMessages());
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(app->ProcessMessages());
  EXPECT_EQ(app->PendingActions(), 0u);
}

TEST_F(ApplicationTest, AnActionPostedByAnActionWaitsForTheFollowingPump) {
  std::function<void()> again = [&] {
    log.push_back("tick");
    app->Post(again);
  };
  app->Post(again);
  app->ProcessMessages();
  EXPECT_EQ(log.size(), 1u);  // no endless loop inside one pump
  app->ProcessMessages();
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(ApplicationTest, ScheduledByPumpCountAndByHostTime) {
  app->PostAtPump(3, [&] { log.push_back("third pump"); });
  app->PostAfter(500, [&] { log.push_back("at 1500"); });
  app->ProcessMessages();
  app->ProcessMessages();
  EXPECT_TRUE(log.empty());
  app->ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"third pump"}));
  host.now = 1499;
  app->ProcessMessages();
  EXPECT_EQ(log.size(), 1u);
  host.now = 1500;
  app->ProcessMessages();
  EXPECT_EQ(log.back(), "at 1500");
}

TEST_F(ApplicationTest, HandlersNestThroughProcessMessages) {
  // A long handler pumps messages; a click posted meanwhile runs inside it, as an Abort
  // click runs inside the speed test.
  TForm form(nullptr);
  auto* abort = new TButton(&form);
  abort->SetParent(&form);
  bool abortFlag = false;
  abort->OnClick = TNotifyEvent([&](TObject*) {
    abortFlag = true;
    log.push_back("abort");
  });
  auto* start = new TButton(&form);
  start->SetParent(&form);
  start->OnClick = TNotifyEvent([&](TObject*) {
    log.push_back("start");
    for (int i = 0; i < 10 && !abortFlag; ++i) {
      log.push_back("read " + std::to_string(i));
      app->ProcessMessages();
    }
    log.push_back("end");
  });
  start->PostClick();
  app->PostAtPump(4, [&] { abort->UserClick(); });
  app->ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"start", "read 0", "read 1", "read 2", "abort", "end"}));
}

TEST_F(ApplicationTest, TimerTicksOnlyWhileEnabledAndOnlyThroughTheLoop) {
  TForm form(nullptr);
  auto* timer = new TTimer(&form);
  int ticks = 0;
  timer->SetInterval(800);
  timer->OnTimer = TNotifyEvent([&](TObject* sender) {
    EXPECT_EQ(sender, timer);
    ++ticks;
  });
  host.now += 799;
  app->ProcessMessages();
  EXPECT_EQ(ticks, 0);
  host.now += 1;
  EXPECT_EQ(ticks, 0);  // due, but no pump yet
  app->ProcessMessages();
  EXPECT_EQ(ticks, 1);
  app->ProcessMessages();
  EXPECT_EQ(ticks, 1);  // the next tick is 800 ms away
  host.now += 5000;     // missed ticks do not pile up
  app->ProcessMessages();
  app->ProcessMessages();
  EXPECT_EQ(ticks, 2);

  timer->SetEnabled(false);
  host.now += 5000;
  app->ProcessMessages();
  EXPECT_EQ(ticks, 2);
  timer->SetEnabled(true);  // counts afresh from now
  host.now += 799;
  app->ProcessMessages();
  EXPECT_EQ(ticks, 2);
  host.now += 1;
  app->ProcessMessages();
  EXPECT_EQ(ticks, 3);
}

TEST_F(ApplicationTest, HeadlessRunSleepsToTheNextTickAndEndsWhenTheMainFormCloses) {
  TForm* form = nullptr;
  app->CreateForm(form);
  ASSERT_EQ(app->MainForm(), form);
  auto* timer = new TTimer(form);
  timer->SetInterval(800);  // due at 1800, 2600, 3400 ...
  std::vector<DWORD> tickTimes;
  timer->OnTimer = TNotifyEvent([&](TObject*) { tickTimes.push_back(host.now); });
  app->PostAtTime(3000, [&] { form->Close(); });
  app->Run();
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(app->Terminated());
  EXPECT_EQ(tickTimes, (std::vector<DWORD>{1800, 2600}));
  EXPECT_EQ(host.now, 3000u);  // slept exactly to what was due
}

TEST_F(ApplicationTest, HeadlessRunEndsWhenNothingCanHappen) {
  TForm* form = nullptr;
  app->CreateForm(form);
  app->Post([&] { log.push_back("once"); });
  app->Run();
  EXPECT_EQ(log.size(), 1u);
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(app->Terminated());
}

TEST_F(ApplicationTest, PumpLimitStopsARunThatWouldGoOnForever) {
  TForm* form = nullptr;
  app->CreateForm(form);
  auto* timer = new TTimer(form);
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = TNotifyEvent([&](TObject*) { ++ticks; });
  app->SetPumpLimit(50);
  app->Run();
  EXPECT_EQ(app->PumpCount(), 50u);
  EXPECT_GT(ticks, 0);
  EXPECT_LE(ticks, 50);
}

TEST_F(ApplicationTest, AnExceptionFromAHandlerGoesToTheStopBoxAndTheLoopGoesOn) {
  app->SetTitle("Velmark");
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->OnChange = TNotifyEvent([&](TObject*) { StrToInt(edit->Text()); });
  edit->PostText("12x");
  app->Post([&] { log.push_back("after"); });
  app->ProcessMessages();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "'12x' is not a valid integer value");
  EXPECT_EQ(host.boxes[0].caption, "Velmark");
  EXPECT_EQ(host.boxes[0].type, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(log, (std::vector<std::string>{"after"}));

  // A timer handler's exception is shown too, and the timer keeps running.
  auto* timer = new TTimer(&form);
  timer->SetInterval(100);
  timer->OnTimer = TNotifyEvent([](TObject*) { throw Exception("tick failed"); });
  host.now += 100;
  app->ProcessMessages();
  host.now += 100;
  app->ProcessMessages();
  ASSERT_EQ(host.boxes.size(), 3u);
  EXPECT_EQ(host.boxes[2].text, "tick failed");
}

TEST_F(ApplicationTest, MessageBoxesGoToTheWindowsSinkWhileOneIsInstalled) {
  std::vector<std::string> shown;
  host.SetMessageBoxSink([&](HWND, const char* text, const char* caption, UINT) {
    shown.push_back(std::string(caption) + ": " + text);
    return IDOK;
  });
  app->SetTitle("Velmark");
  app->ShowException(EConvertError("bad"));
  host.SetMessageBoxSink({});
  app->MessageBox("plain", "Caption", MB_OK);
  EXPECT_EQ(shown, (std::vector<std::string>{"Velmark: bad"}));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "plain");
}

TEST_F(ApplicationTest, HandleExceptionShowsTheExceptionBeingHandled) {
  app->SetTitle("T");
  try {
    throw EConvertError("'' is not a valid integer value");
  } catch (...) {
    app->HandleException(nullptr);
  }
  app->HandleException(nullptr);  // none being handled: nothing shown
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "'' is not a valid integer value");
}

TEST_F(ApplicationTest, ATimerDestroyedByItsOwnHandlerIsSafe) {
  TForm form(nullptr);
  auto* first = new TTimer(&form);
  auto* second = new TTimer(&form);
  first->SetInterval(100);
  second->SetInterval(100);
  int secondTicks = 0;
  first->OnTimer = TNotifyEvent([&](TObject*) {
    delete first;
    delete second;
  });
  second->OnTimer = TNotifyEvent([&](TObject*) { ++secondTicks; });
  host.now += 100;
  app->ProcessMessages();
  EXPECT_EQ(secondTicks, 0);
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(ApplicationTest, AWorkerThreadsPostsRunOnTheLoopsThreadInOrderAndTheLoopWaitsForThem) {
  // Headless, with nothing else to do, Run must wait for the worker instead of ending.
  const std::thread::id loop = std::this_thread::get_id();
  bool elsewhere = false;
  TWorkerThread worker;
  worker.Start(
      [&] {
        for (const char* step : {"one", "two", "three"}) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
          worker.Post([&, step] {
            elsewhere = elsewhere || std::this_thread::get_id() != loop;
            log.push_back(step);
          });
        }
      },
      [&] {
        log.push_back("finished");
        app->Terminate();
      });
  app->Run();
  worker.Join();
  EXPECT_FALSE(elsewhere);
  EXPECT_EQ(log, (std::vector<std::string>{"one", "two", "three", "finished"}));
  EXPECT_EQ(app->PendingThreadPosts(), 0u);
}

}  // namespace
