#include "scsi/Sense.h"

#include <gtest/gtest.h>

#include <vector>

namespace scsi {
namespace {

struct ParseCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  SenseFormat format;
  Sense sense;
  std::optional<std::uint64_t> information;
  bool deferred = false;
};

TEST(ParseSense, ReadsBothFormatsAndStopsWhereTheDataStops) {
  const ParseCase cases[] = {
      {"fixed, 18 bytes",
       {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00, 0, 0, 0, 0},
       SenseFormat::Fixed,
       {0x05, 0x24, 0x00},
       std::nullopt},
      {"fixed, 14 bytes as an ASPI sense area holds",
       {0x70, 0, 0x02, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0x3A, 0x01},
       SenseFormat::Fixed,
       {0x02, 0x3A, 0x01},
       std::nullopt},
      {"fixed, key byte's flag bits ignored",
       {0x70, 0, 0xE3, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x05},
       SenseFormat::Fixed,
       {0x03, 0x11, 0x05},
       std::nullopt},
      {"fixed, VALID with the block address",
       {0xF0, 0, 0x03, 0x00, 0x01, 0x86, 0xA0, 10, 0, 0, 0, 0, 0x11, 0x00},
       SenseFormat::Fixed,
       {0x03, 0x11, 0x00},
       100000},
      {"fixed, deferred",
       {0x71, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00},
       SenseFormat::Fixed,
       {0x06, 0x29, 0x00},
       std::nullopt,
       true},
      {"fixed, cut before the ASC",
       {0x70, 0, 0x02, 0, 0, 0, 0, 10},
       SenseFormat::Fixed,
       {0x02, 0x00, 0x00},
       std::nullopt},
      {"descriptor, header only",
       {0x72, 0x02, 0x3A, 0x00},
       SenseFormat::Descriptor,
       {0x02, 0x3A, 0x00},
       std::nullopt},
      {"descriptor, deferred",
       {0x73, 0x0B, 0x00, 0x06, 0, 0, 0, 0},
       SenseFormat::Descriptor,
       {0x0B, 0x00, 0x06},
       std::nullopt,
       true},
      {"descriptor, information descriptor after another one",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0, 18,  //
        0x02, 0x04, 0,    0,    0, 0,         // sense-key specific, skipped
        0x00, 0x0A, 0x80, 0,    0, 0, 0, 0,  0x12, 0x34, 0x56, 0x78},
       SenseFormat::Descriptor,
       {0x03, 0x11, 0x00},
       0x12345678},
      {"descriptor, information descriptor beyond the announced length",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0, 4, 0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 7},
       SenseFormat::Descriptor,
       {0x03, 0x11, 0x00},
       std::nullopt},
      {"descriptor, information not marked valid",
       {0x72, 0x03, 0x11, 0x00, 0, 0, 0, 12, 0x00, 0x0A, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 7},
       SenseFormat::Descriptor,
       {0x03, 0x11, 0x00},
       std::nullopt},
      {"unknown response code", {0x7F, 0x02, 0x3A, 0x00}, SenseFormat::None, {}, std::nullopt},
      {"all zero", std::vector<std::uint8_t>(18, 0), SenseFormat::None, {}, std::nullopt},
      {"empty", {}, SenseFormat::None, {}, std::nullopt},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ParsedSense parsed = ParseSense(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(parsed.format, c.format);
    EXPECT_EQ(parsed.sense, c.sense);
    EXPECT_EQ(parsed.information, c.information);
    EXPECT_EQ(parsed.deferred, c.deferred);
  }
}

TEST(BuildSense, WhatIsBuiltParsesBack) {
  struct Case {
    SenseFormat format;
    std::optional<std::uint64_t> information;
    std::size_t length;
  };
  const Sense sense{0x03, 0x11, 0x05};
  for (const Case c :
       {Case{SenseFormat::Fixed, std::nullopt, 18}, Case{SenseFormat::Fixed, 4711, 18},
        Case{SenseFormat::Descriptor, std::nullopt, 8},
        Case{SenseFormat::Descriptor, 0x1122334455ull, 20}}) {
    std::uint8_t out[32];
    std::fill(std::begin(out), std::end(out), 0xEE);
    ASSERT_EQ(BuildSense(out, sizeof out, sense, c.format, c.information), c.length);
    EXPECT_EQ(out[c.length], 0xEE) << "wrote past its length";
    const ParsedSense parsed = ParseSense(out, c.length);
    EXPECT_EQ(parsed.format, c.format);
    EXPECT_EQ(parsed.sense, sense);
    EXPECT_EQ(parsed.information, c.information);
    EXPECT_FALSE(parsed.deferred);
  }
}

TEST(BuildSense, FixedLayoutAndRefusals) {
  std::uint8_t out[18];
  ASSERT_EQ(BuildSense(out, sizeof out, {0x05, 0x24, 0x00}), 18u);
  const std::uint8_t expected[18] = {0x70, 0, 0x05, 0,    0, 0, 0, 10, 0,
                                     0,    0, 0,    0x24, 0, 0, 0, 0,  0};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), std::begin(expected)));

  std::uint8_t small[17] = {};
  EXPECT_EQ(BuildSense(small, sizeof small, {0x05, 0x24, 0x00}), 0u);
  EXPECT_EQ(BuildSense(out, sizeof out, {0x03, 0x11, 0x00}, SenseFormat::Fixed, 0x100000000ull), 0u)
      << "a fixed-format information field holds 32 bits";
  EXPECT_EQ(BuildSense(out, 19, {0x03, 0x11, 0x00}, SenseFormat::Descriptor, 1), 0u);
}

TEST(SensePredicates, LookAtKeyAndAscOnly) {
  EXPECT_TRUE(IsNoMedium({0x02, 0x3A, 0x02}));
  EXPECT_FALSE(IsNoMedium({0x06, 0x3A, 0x00}));
  EXPECT_TRUE(IsBecomingReady({0x02, 0x04, 0x01}));
  EXPECT_FALSE(IsBecomingReady({0x02, 0x3A, 0x00}));
  EXPECT_TRUE(IsRetryableUnitAttention({0x06, 0x28, 0x00}));
  EXPECT_TRUE(IsRetryableUnitAttention({0x06, 0x29, 0x03}));
  EXPECT_FALSE(IsRetryableUnitAttention({0x06, 0x2A, 0x01}));
  EXPECT_TRUE(IsAbortedWithoutAsc({0x0B, 0x00, 0x06}));
  EXPECT_FALSE(IsAbortedWithoutAsc({0x0B, 0x47, 0x00}));
}

}  // namespace
}  // namespace scsi
