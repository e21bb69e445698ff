// Reading back a saved scan: what ScanJson wrote comes back whole; anything else is refused
// with a reason and leaves the caller's record as it was.
#include "report/ScanJsonRead.h"

#include <gtest/gtest.h>

#include "report/RecordKind.h"
#include "report/ScanJson.h"

namespace {

using namespace report;

TEST(ScanJsonReadTest, ASavedScanComesBackWhole) {
  ScanRecord r;
  CurveResult& c = r.curve.emplace();
  c.mode = "raw";
  c.start = 100;
  c.blocks = 54;
  c.samples = {{100, 27, 5000, 72.0, 12.4, 9000}, {127, 27, 4000, 90.0, 15.5, 9100}};
  c.strategy = Strategy::PCAV;
  c.startSpeedX = 24.02;
  c.endSpeedX = 40;
  c.rpm = 11001;
  c.zones = {136204};
  r.spinUpMs = 1503.5;
  r.refused = {"SET CD SPEED refused: 05/24/00"};
  const DriveRecord drive{"VELMSIM", "PCAV SIM-40X", "1.00", "G:", "1:2:0"};
  SavedScan saved;
  std::string error;
  ASSERT_TRUE(ReadScanJson(ScanJson(drive, DiscRecord{359775}, r), saved, error)) << error;
  EXPECT_EQ(saved.drive.product, "PCAV SIM-40X");
  EXPECT_EQ(saved.disc.capacityBlocks, 359775);
  ASSERT_TRUE(saved.record.curve.has_value());
  const CurveResult& back = *saved.record.curve;
  EXPECT_EQ(back.mode, "raw");
  EXPECT_EQ(back.strategy, Strategy::PCAV);
  ASSERT_EQ(back.samples.size(), 2u);
  EXPECT_EQ(back.samples[1].lba, 127);
  EXPECT_DOUBLE_EQ(back.samples[1].speedX, 90.0);
  EXPECT_DOUBLE_EQ(back.samples[1].kibPerS, 15.5);
  EXPECT_EQ(back.zones, c.zones);
  EXPECT_EQ(back.rpm, c.rpm);
  EXPECT_FALSE(back.aborted);
  EXPECT_EQ(saved.record.spinUpMs, 1503.5);
  EXPECT_EQ(saved.record.refused, r.refused);
}

// The first format named a sample's KiB a second `kb_per_s`; such a record reads the same.
TEST(ScanJsonReadTest, AFirstFormatRecordReadsItsSamplesKiB) {
  ScanRecord r;
  r.curve.emplace().samples = {{100, 27, 5000, 72.0, 12.4, 9000}};
  std::string text = ScanJson(DriveRecord{}, DiscRecord{359775}, r);
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"\"kib_per_s\"", "\"kb_per_s\""},
        {"\"format\": " + std::to_string(kRecordFormat), "\"format\": 1"}}) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  SavedScan saved;
  std::string error;
  ASSERT_TRUE(ReadScanJson(text, saved, error)) << error;
  EXPECT_DOUBLE_EQ(saved.record.curve->samples.at(0).kibPerS, 12.4);
}

TEST(ScanJsonReadTest, WhatIsNotASavedScanIsRefusedWithAReason) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "it is not JSON"},
      {"[1, 2]", "it is not JSON"},
      {"{\"drive\": {}}", "it holds no scan (no samples, access or spin-up times)"},
      {"{\"samples\": 5}", "a value in it is missing or of the wrong kind"},
      {"{\"samples\": [{\"lba\": \"x\"}]}", "a value in it is missing or of the wrong kind"},
      {"{\"samples\": [], \"start\": \"0\"}", "a value in it is missing or of the wrong kind"},
      {"{\"spin_up_ms\": null}", "a value in it is missing or of the wrong kind"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SavedScan saved;
    saved.date = "kept";
    std::string error;
    EXPECT_FALSE(ReadScanJson(c.text, saved, error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(saved.date, "kept");
  }
}

}  // namespace
