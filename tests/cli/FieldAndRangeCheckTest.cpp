// The command line's checks of the range fields (before the drive wait) and of the range
// against the disc (before anything is read).
#include <gtest/gtest.h>

#include "cli/FieldCheck.h"
#include "cli/RangeCheck.h"

namespace {

TEST(FieldCheckTest, NamesTheOptionAndTellsNotANumberFromOutOfRange) {
  const struct {
    const char* option;
    const char* text;
    std::int32_t low;
    const char* error;  // "" when good
  } cases[] = {
      {"--start", "1234", 0, ""},
      {"--start", "0", 0, ""},
      {"--blocks", "2147483647", 1, ""},
      {"--start", "abc", 0, "--start: 'abc' is not a valid integer value"},
      {"--start", "1e3", 0, "--start: '1e3' is not a valid integer value"},
      {"--start", "0x10", 0, "--start: '0x10' is not a valid integer value"},  // not 16
      {"--start", "$10", 0, "--start: '$10' is not a valid integer value"},
      {"--blocks", " 12", 1, "--blocks: ' 12' is not a valid integer value"},
      {"--start", "+12", 0, ""},
      {"--start", "", 0, "--start: '' is not a valid integer value"},
      {"--start", "99999999999", 0, "--start: 99999999999 is out of range (0 to 2147483647)"},
      {"--start", "-5", 0, "--start: -5 is out of range (0 to 2147483647)"},
      {"--blocks", "0", 1, "--blocks: 0 is out of range (1 to 2147483647)"},
      {"--blocks", "-1", 1, "--blocks: -1 is out of range (1 to 2147483647)"},
      {"--blocks", "2147483648", 1, "--blocks: 2147483648 is out of range (1 to 2147483647)"},
  };
  for (const auto& c : cases) {
    const FieldValue v = CheckField(c.option, c.text, c.low);
    EXPECT_EQ(v.error, c.error) << c.text;
    EXPECT_EQ(v.ok, *c.error == '\0') << c.text;
  }
  CliOptions options;
  options.start = "100";
  options.blocks = "x";
  EXPECT_EQ(CheckFields(options), "--blocks: 'x' is not a valid integer value");
}

TEST(RangeCheckTest, RefusesOffTheDiscAndShortensPastItsEnd) {
  constexpr std::int32_t kCapacity = 359775;  // the demo machine's data disc
  const struct {
    std::int32_t start, blocks;
    RangeVerdict::Kind kind;
    std::int32_t runs;  // blocks read when it runs
  } cases[] = {
      {349773, 10000, RangeVerdict::kRuns, 10000},    // the window's default range
      {359772, 1, RangeVerdict::kRuns, 1},            // ends at C - 2
      {359770, 10000, RangeVerdict::kShortened, 3},   // 359770 .. 359772
      {0, 400000, RangeVerdict::kShortened, 359773},  // the whole disc
      {359773, 10, RangeVerdict::kRefused, 0},        // nothing left before C - 2
      {kCapacity, 1, RangeVerdict::kRefused, 0},      // the lead-out itself
      {400000, 10000, RangeVerdict::kRefused, 0},     // past the end
      {0, 0, RangeVerdict::kRefused, 0},              // nothing to read
      {2147483000, 2000, RangeVerdict::kRefused, 0},  // no overflow in start + blocks
  };
  for (const auto& c : cases) {
    const RangeVerdict v = CheckRange(c.start, c.blocks, kCapacity);
    EXPECT_EQ(v.kind, c.kind) << c.start << " + " << c.blocks;
    if (c.kind != RangeVerdict::kRefused) {
      EXPECT_EQ(v.blocks, c.runs) << c.start;
    }
    EXPECT_EQ(v.message.empty(), c.kind == RangeVerdict::kRuns) << c.start;
  }
}

}  // namespace
