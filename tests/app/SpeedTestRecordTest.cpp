// The speed test's result record as the JSON writer renders it, for runs through the window.
// (Every window test also checks the record's figures against the report: WindowFixture.)
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "report/SpeedTestJson.h"
#include "tests/app/WindowFixture.h"

namespace {

using apptest::TestDrive;
using apptest::Window;
using report::Json;

struct RecordCase {
  const char* name;
  bool noDisplay;
  bool illegalMode;      // every read fails with 05/64/00: aborted at set-up
  const char* expected;  // the JSON after the head
};

TEST(SpeedTestRecordTest, JsonOfRunsThroughTheWindow) {
  const RecordCase cases[] = {
      {"data, 100 blocks in one second", false, false,
       R"({"mode":"data","range":{"start":1000,"blocks":100},"seconds":1.0,"kib":200.0,)"
       R"("average_kib_per_s":200.0,"kib_per_x":150,"average_x":1.3333334,"highest_x":1.3333334,)"
       R"("burst_x":1.44,"failed_commands":0,"aborted":false})"},
      {"display off: no highest or burst speed", true, false,
       R"({"mode":"data","range":{"start":1000,"blocks":100},"seconds":1.0,"kib":200.0,)"
       R"("average_kib_per_s":200.0,"kib_per_x":150,"average_x":1.3333334,"highest_x":null,)"
       R"("burst_x":null,"failed_commands":0,"aborted":false})"},
      {"aborted at set-up: no figures, the reason", false, true,
       R"({"mode":"raw","range":{"start":1000,"blocks":100},"seconds":null,"kib":null,)"
       R"("average_kib_per_s":null,"kib_per_x":null,"average_x":null,"highest_x":null,)"
       R"("burst_x":null,"failed_commands":0,"aborted":"Illegal Mode for this track 05/64/00"})"},
  };
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1796714137));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimDriveConfig config;
    config.timing = sim::DriveTiming::Cav(52.0, 40.0);
    config.disc = sim::Disc::Data();
    auto drive = std::make_shared<TestDrive>(config);
    drive->readMicros = 250000;
    if (c.illegalMode)
      drive->hook = [](const sim::ScsiRequest& r, sim::ScsiReply& reply) {
        if (r.cdb[0] != 0x28 && r.cdb[0] != 0xBE) return false;
        reply = TestDrive::Check(0x05, 0x64, 0x00);
        return true;
      };
    Window w(Window::Machine({drive}));
    w.Tick();
    w.form->Edit1->UserSetText("1000");
    w.form->Edit2->UserSetText("100");
    w.form->CheckBox->SetChecked(c.noDisplay);
    w.ClickStart();

    Json j = report::SpeedTestJson(w.form->LastRecord(), when);
    EXPECT_EQ(j["drive"].dump(),
              R"({"vendor":"VELMSIM","product":"CD-ROM SIM-52X","revision":"1.00",)"
              R"("letter":"D:","device":"0:0:0"})");
    EXPECT_EQ(j["disc"]["capacity_blocks"], w.form->RecordedCapacity);
    EXPECT_EQ(j["version"], kVersionText);  // the build's version is the window's
    EXPECT_EQ(j["date"], "2026-12-08T07:15:37Z");
    EXPECT_EQ(j["kind"], "speed_test");
    EXPECT_EQ(j["format"], 2);
    for (const char* head : {"drive", "disc", "version", "date", "kind", "format"}) j.erase(head);
    EXPECT_EQ(j.dump(), c.expected);
  }
}

}  // namespace
