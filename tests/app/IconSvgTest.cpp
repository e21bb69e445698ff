// The scalable icon is written from the same shapes as the pixel icon.
#include "app/IconSvg.h"

#include <gtest/gtest.h>

namespace {

TEST(IconSvgTest, AHoleCutsWhatWasDrawnBeforeIt) {
  const std::vector<IconShape> shapes = {
      {IconShape::kDisc, 16, 16, 0, 0, 15.5, 0xFF707880},
      {IconShape::kHole, 16, 16, 0, 0, 2.5, 0},
      {IconShape::kStroke, 16, 16, 27, 7, 1.4, 0x80D02020},
  };
  const std::string svg = IconSvg(shapes);
  EXPECT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos) << svg;
  const size_t group = svg.find("<g mask=\"url(#hole1)\">");
  const size_t disc = svg.find("<circle cx=\"16\" cy=\"16\" r=\"15.5\" fill=\"#707880\"/>");
  const size_t groupEnd = svg.find("</g>");
  const size_t line = svg.find(
      "<line x1=\"16\" y1=\"16\" x2=\"27\" y2=\"7\" stroke=\"#D02020\" stroke-opacity=\"0.501961\" "
      "stroke-width=\"2.8\" stroke-linecap=\"round\"/>");
  ASSERT_NE(group, std::string::npos) << svg;
  ASSERT_NE(disc, std::string::npos) << svg;
  ASSERT_NE(line, std::string::npos) << svg;
  EXPECT_TRUE(group < disc && disc < groupEnd && groupEnd < line) << svg;  // the needle stays
  EXPECT_NE(svg.find("<mask id=\"hole1\">"), std::string::npos);
  // The real icon has one hole and its needle.
  const std::string icon = IconSvg(VelmarkIconShapes());
  EXPECT_NE(icon.find("hole1"), std::string::npos);
  EXPECT_EQ(icon.find("hole2"), std::string::npos);
  EXPECT_NE(icon.find("<line"), std::string::npos);
}

}  // namespace
