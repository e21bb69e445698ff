#include "app/Glyphs.h"

#include <gtest/gtest.h>

namespace {

int Opaque(const toolkit::TBitmap& b) {
  int n = 0;
  for (std::uint32_t p : b.Pixels()) n += (p >> 24) != 0;
  return n;
}

TEST(GlyphsTest, IconAndButtonImagesAreDrawnAndDistinct) {
  const toolkit::TIcon icon = VelmarkIcon();
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  // A round disc with transparent corners, and a red needle on it.
  EXPECT_EQ(icon.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(icon.Pixel(31, 31) >> 24, 0u);
  EXPECT_GT(Opaque(icon), 32 * 32 / 2);
  int red = 0;
  for (std::uint32_t p : icon.Pixels()) red += p == 0xFFD02020u;
  EXPECT_GT(red, 10);

  const toolkit::TBitmap glyphs[] = {HelpGlyph(), StartAdjustGlyph(), BlockAdjustGlyph()};
  for (const auto& g : glyphs) {
    EXPECT_EQ(g.Width(), 16);
    EXPECT_EQ(g.Height(), 16);
    EXPECT_GT(Opaque(g), 20);
    EXPECT_LT(Opaque(g), 16 * 16);  // shapes, not filled squares
  }
  EXPECT_FALSE(glyphs[0] == glyphs[1]);
  EXPECT_FALSE(glyphs[1] == glyphs[2]);
  // The two adjust arrows point opposite ways: their images mirror each other's weight.
  auto leftWeight = [](const toolkit::TBitmap& b) {
    int n = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 8; ++x) n += (b.Pixel(x, y) >> 24) != 0;
    return n;
  };
  EXPECT_GT(leftWeight(glyphs[1]), Opaque(glyphs[1]) - leftWeight(glyphs[1]));
  EXPECT_LT(leftWeight(glyphs[2]), Opaque(glyphs[2]) - leftWeight(glyphs[2]));
}

}  // namespace
