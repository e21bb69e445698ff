// A full default speed test on the demo machine's 52x CAV drive, compared with what the
// drive model itself says the read takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "app/TForm1.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"

namespace {

double NumberAfter(const TForm1& f, const std::string& prefix) {
  for (const auto& l : f.RichEdit->RichLines())
    if (l.Text.rfind(prefix, 0) == 0) return std::atof(l.Text.c_str() + prefix.size());
  ADD_FAILURE() << "no line " << prefix;
  return 0;
}

TEST(FullRunTest, DefaultTestOnThe52xCavDriveAgreesWithTheModel) {
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  AspiVCL drive;
  toolkit::ScopedApplication app;
  TForm1* f = new TForm1(&*app, drive);
  machine.host().AdvanceMilliseconds(800);
  app->ProcessMessages();
  ASSERT_TRUE(f->StartButton->Enabled());
  // The default range: the last 10000 blocks but 2 before the lead-out.
  const LONG leadOut = machine.dataDrive().CurrentDisc()->LeadOut();
  EXPECT_EQ(f->Edit1->Text(), std::to_string(leadOut - 10002));
  EXPECT_EQ(f->Edit2->Text(), "10000");

  f->StartButton->PostClick();
  app->ProcessMessages();
  ASSERT_TRUE(f->LastTest().timedRead);
  EXPECT_EQ(f->LastTest().errorCount, 0);
  EXPECT_EQ(f->LastTest().blocksDone, 10000u);

  const LONG start = leadOut - 10002;
  const sim::SimDrive& d = machine.dataDrive();
  // The average: the model's expected time for the range read back to back.
  const double expectedAverage = d.ExpectedAverageSpeed(start, 10000, 27);
  const double average = NumberAfter(*f, "Average Measured Velmark : ");
  EXPECT_NEAR(average, expectedAverage, expectedAverage * 0.01);

  // The highest speed: the drive states the service time of every command it served. The
  // timed read is every READ(10) after the last SEEK(10); a display group ends with every
  // fourth command and is measured from the end of the previous group (the first from the
  // end of the SEEK), on the program's 1 ms timer.
  const auto received = d.Received();
  size_t seek = 0;
  for (size_t i = 0; i < received.size(); ++i)
    if (received[i].cdb[0] == 0x2B) seek = i;
  std::vector<std::uint64_t> ends;  // ms on the timer when each command was done
  ends.push_back((received[seek].nowMicros + received[seek].serviceMicros) / 1000);
  for (size_t i = seek + 1; i < received.size(); ++i)
    if (received[i].cdb[0] == 0x28)
      ends.push_back((received[i].nowMicros + received[i].serviceMicros) / 1000);
  ASSERT_EQ(ends.size(), 1 + (10000 + 26) / 27u);
  double expectedHighest = 0;
  for (size_t g = 4; g < ends.size(); g += 4) {
    const double window = static_cast<double>(ends[g] - ends[g - 4]);
    const double blocks = g == ends.size() - 1 ? 3 * 27 + 10000 % 27 : 108;
    if (window > 0)
      expectedHighest = std::max(expectedHighest, blocks / window * 2048 * 1000 / (150 * 1024.0));
  }
  const double highest = NumberAfter(*f, "Highest Measured Velmark : ");
  EXPECT_NEAR(highest, expectedHighest, expectedHighest * 0.01);
  // A 52x CAV drive runs close to its maximum at the end of a full disc.
  EXPECT_GT(expectedAverage, 45.0);
  EXPECT_LT(expectedAverage, 52.5);
}

}  // namespace
