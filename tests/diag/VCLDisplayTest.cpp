#include "diag/VCLDisplay.h"

#include <gtest/gtest.h>

#include <string>

#include "toolkit/TForm.h"
#include "toolkit/TRichEdit.h"

namespace {

using toolkit::fsBold;
using toolkit::fsItalic;
using toolkit::fsStrikeOut;
using toolkit::fsUnderline;
using toolkit::TFontStyles;
using toolkit::TRichEdit;

class VCLDisplayTest : public ::testing::Test {
 protected:
  VCLDisplayTest() {
    report = new TRichEdit(&form);
    report->SetParent(&form);
    report->SetBounds(0, 0, 393, 181);
    report->SetReadOnly(true);
  }
  const toolkit::TTextAttributes& Last() const {
    return report->Line(report->LineCount() - 1).Attributes;
  }
  toolkit::TForm form{nullptr};
  TRichEdit* report;
  VCLDisplay display;
};

TEST_F(VCLDisplayTest, ColouredLineThenPlainLineInTheDefaults) {
  const auto defaults = report->DefAttributes();
  display.AddColoredLine(report, "navy", 0x800000);
  EXPECT_EQ(Last().Color, 0x800000);
  EXPECT_TRUE(Last().Style.Empty());
  display.AddLine(report, "plain");
  EXPECT_EQ(Last(), defaults);
  EXPECT_EQ(report->Lines()[0], "navy");
  EXPECT_EQ(report->Lines()[1], "plain");
}

TEST_F(VCLDisplayTest, StyleCodesAddAStyleAndKeepTheColour) {
  struct Case {
    DWORD code;
    toolkit::TFontStyle style;
  };
  const Case cases[] = {{0, fsBold}, {1, fsItalic}, {2, fsUnderline}, {3, fsStrikeOut}};
  for (const Case& c : cases) {
    display.AddColoredLine(report, "styled", c.code);
    EXPECT_EQ(Last().Color, report->DefAttributes().Color) << c.code;  // not black
    EXPECT_EQ(Last().Style, TFontStyles{c.style}) << c.code;
  }
  // A style adds to what the insertion attributes hold; it never removes one.
  report->SelAttributes().Style = TFontStyles{fsItalic};
  display.AddColoredLine(report, "both", 0);
  EXPECT_EQ(Last().Style, (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(report->SelAttributes(), report->DefAttributes());
}

TEST_F(VCLDisplayTest, StyledLineTakesItsCodesInEitherOrder) {
  struct Case {
    DWORD a, b;
    toolkit::TColor color;
    TFontStyles style;
  };
  const Case cases[] = {
      {0x0000FF, 0, 0x0000FF, TFontStyles{fsBold}},
      {0, 0x0000FF, 0x0000FF, TFontStyles{fsBold}},
      {0x800000, 0, 0x800000, TFontStyles{fsBold}},
      {0x0000FF, 7, 0x0000FF, TFontStyles{}},
      {0x0000FF, 0x103, 0x0000FF, TFontStyles{fsStrikeOut}},  // low byte 3
      {0x0000FF, 0xFF, 0x0000FF, TFontStyles{}},              // low byte -1
      {2, 0x008000, 0x008000, TFontStyles{fsUnderline}},
      {1, 2, 2, TFontStyles{fsItalic}},  // a < 4: b is the colour whatever its value
  };
  for (const Case& c : cases) {
    display.AddStyledLine(report, "line", c.a, c.b);
    EXPECT_EQ(Last().Color, c.color) << c.a << "," << c.b;
    EXPECT_EQ(Last().Style, c.style) << c.a << "," << c.b;
    EXPECT_EQ(report->SelAttributes(), report->DefAttributes());
  }
}

TEST_F(VCLDisplayTest, AddLineKeepsTheInsertionAttributes) {
  report->SelAttributes().Color = 0x008000;
  display.AddLine(report, "green");
  display.AddLine(report, "still green");
  EXPECT_EQ(Last().Color, 0x008000);
}

TEST_F(VCLDisplayTest, TheNewestLineIsAlwaysInView) {
  const int visible = report->VisibleLineCount();
  ASSERT_GT(visible, 1);
  for (int i = 0; i < 3 * visible; ++i) {
    switch (i % 3) {
      case 0:
        display.AddLine(report, "line " + std::to_string(i));
        break;
      case 1:
        display.AddColoredLine(report, "line " + std::to_string(i), 0x0000FF);
        break;
      default:
        display.AddStyledLine(report, "line " + std::to_string(i), 0x800000, 0);
    }
    EXPECT_TRUE(report->LineInView(report->LineCount() - 1)) << i;
  }
  EXPECT_GT(report->TopLine(), 0);
  report->Clear();
  EXPECT_EQ(report->LineCount(), 0);
  display.AddLine(report, "again");
  EXPECT_EQ(report->TopLine(), 0);
  EXPECT_TRUE(report->LineInView(0));
}

TEST(JoinFields, JoinsFixedWidthFields) {
  VCLDisplay d;
  const char vendor[] = "ACMEDISK";
  const char product[] = "CD-ROM CDR-5200 ";
  const std::string row = d.JoinFields(vendor, 8, 2, product, 16, 0);
  EXPECT_EQ(row.size(), 26u);
  EXPECT_EQ(row, "ACMEDISK  CD-ROM CDR-5200 ");
  EXPECT_EQ(d.JoinFields("ab", 2, 1, "cd", 2, 3), "ab cd   ");
}

TEST(JoinFields, LimitOfNineHundredNinetyNine) {
  VCLDisplay d;
  const std::string first(600, 'a');
  const std::string second(600, 'b');
  const std::string joined = d.JoinFields(first.data(), 500, 100, second.data(), 300, 99);
  ASSERT_EQ(joined.size(), 999u);
  EXPECT_EQ(joined.substr(0, 500), std::string(500, 'a'));
  EXPECT_EQ(joined.substr(500, 100), std::string(100, ' '));
  EXPECT_EQ(joined.substr(600, 300), std::string(300, 'b'));
  EXPECT_EQ(joined.substr(900), std::string(99, ' '));
  EXPECT_EQ(d.JoinFields(first.data(), 500, 100, second.data(), 300, 100), "Error");
}

TEST(JoinFields, WidthsThatWouldOverrunAreRefused) {
  VCLDisplay d;
  const char field[] = "abcdefgh";
  // A negative width, or widths whose 32-bit sum wraps below the limit, would copy
  // outside the working buffer.
  EXPECT_EQ(d.JoinFields(field, -1, 0, field, 8, 0), "Error");
  EXPECT_EQ(d.JoinFields(field, 8, -5, field, 8, 0), "Error");
  EXPECT_EQ(d.JoinFields(field, 0x7FFFFFFF, 0x7FFFFFFF, field, 4, 0), "Error");
  EXPECT_EQ(d.JoinFields(field, 0, 0, field, 0, 0), "");
}

TEST(JoinFields, AZeroByteEndsTheText) {
  VCLDisplay d;
  const char first[] = {'A', 'B', '\0', 'D', 'E', 'F', 'G', 'H'};
  EXPECT_EQ(d.JoinFields(first, 8, 2, "SECOND", 6, 1), "AB");
}

TEST(FieldText, CopiesExactlyTheWidth) {
  VCLDisplay d;
  EXPECT_EQ(d.FieldText("1.0 ", 4), "1.0 ");
  const char withZero[] = {'a', '\0', 'b', 'c'};
  const std::string t = d.FieldText(withZero, 4);
  EXPECT_EQ(t.size(), 4u);
  EXPECT_EQ(t, std::string(withZero, 4));
  EXPECT_EQ(d.FieldText("abc", 0), "");
  EXPECT_EQ(d.FieldText("abc", -3), "");
}

}  // namespace
