#include "toolkit/Convert.h"

#include <gtest/gtest.h>

#include "toolkit/Exception.h"

namespace {

using toolkit::EConvertError;
using toolkit::StrToInt;

struct Good {
  const char* text;
  std::int32_t value;
};

TEST(StrToInt, AcceptsSignedDecimalAndHexadecimalWithin32Bits) {
  const Good cases[] = {
      {"0", 0},
      {"300000", 300000},
      {"-1", -1},
      {"+42", 42},
      {"  17", 17},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$FF", 255},
      {"0x1f", 31},
      {"-$10", -16},
      {"$7FFFFFFF", 2147483647},
  };
  for (const Good& c : cases) {
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(StrToInt, RejectsWithTheTextInTheMessage) {
  const char* bad[] = {
      "",          " ",   "abc", "12a", "1 ",         "1.5",         "+",
      "-",         "$",   "0x",  "--1", "2147483648", "-2147483649", "99999999999999999999",
      "$80000000", "1e3", "\t"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "converted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(StrToInt, ConversionErrorIsAToolkitException) {
  EXPECT_THROW(StrToInt("x"), toolkit::Exception);
  EXPECT_EQ(toolkit::StrToIntDef("x", -5), -5);
  EXPECT_EQ(toolkit::StrToIntDef("12", -5), 12);
}

TEST(IntToStr, WritesDecimal) {
  EXPECT_EQ(toolkit::IntToStr(0), "0");
  EXPECT_EQ(toolkit::IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(toolkit::IntToStr(300000), "300000");
}

}  // namespace
