#include <gtest/gtest.h>

#include <chrono>

#include "report/JsonHead.h"
#include "report/NumberText.h"

namespace {

TEST(JsonHeadTest, KeysInOrderAndAnUnreadCapacityIsNull) {
  report::DriveRecord drive{"V", "P", "R", "", "1:2:0"};
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(951782400));
  const report::Json j = report::JsonHead(drive, {}, when);
  EXPECT_EQ(j.dump(), std::string(R"({"drive":{"vendor":"V","product":"P","revision":"R",)"
                                  R"("letter":"","device":"1:2:0"},)"
                                  R"("disc":{"capacity_blocks":null},"version":")") +
                          report::VersionText() + R"(","date":"2000-02-29T00:00:00Z"})");
}

TEST(JsonHeadTest, SingleFiguresAreWrittenWithTheirShortestDecimal) {
  const struct {
    float value;
    const char* json;
  } cases[] = {
      {1.0f, "1.0"}, {4.0f / 3.0f, "1.3333334"}, {2699.9998f, "2699.9998"}, {0.08f, "0.08"}};
  for (const auto& c : cases)
    EXPECT_EQ(report::Json(report::ShortestDouble(c.value)).dump(), c.json) << c.value;
}

}  // namespace
