#include "app/Glyphs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using toolkit::TBitmap;

namespace {

constexpr std::uint32_t kNavy = 0xFF000080;
constexpr std::uint32_t kBlue = 0xFF2060C8;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kSilver = 0xFFC8CCD4;
constexpr std::uint32_t kLight = 0xFFE8ECF4;
constexpr std::uint32_t kGrey = 0xFF707880;
constexpr std::uint32_t kRed = 0xFFD02020;
constexpr std::uint32_t kGreen = 0xFF108030;

// Pixels whose centre lies within `r` of (cx, cy).
void Disc(TBitmap& b, double cx, double cy, double r, std::uint32_t argb) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy <= r * r) b.SetPixel(x, y, argb);
    }
}

// Pixels whose centre lies within `half` of the segment (x0, y0)-(x1, y1).
void Stroke(TBitmap& b, double x0, double y0, double x1, double y1, double half,
            std::uint32_t argb) {
  const double vx = x1 - x0, vy = y1 - y0;
  const double len2 = std::max(vx * vx + vy * vy, 1e-9);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const double px = x + 0.5 - x0, py = y + 0.5 - y0;
      const double t = std::clamp((px * vx + py * vy) / len2, 0.0, 1.0);
      const double dx = px - t * vx, dy = py - t * vy;
      if (dx * dx + dy * dy <= half * half) b.SetPixel(x, y, argb);
    }
}

// A filled triangle.
void Triangle(TBitmap& b, double ax, double ay, double bx, double by, double cx, double cy,
              std::uint32_t argb) {
  auto side = [](double x0, double y0, double x1, double y1, double x, double y) {
    return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
  };
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double s1 = side(ax, ay, bx, by, px, py);
      const double s2 = side(bx, by, cx, cy, px, py);
      const double s3 = side(cx, cy, ax, ay, px, py);
      if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0))
        b.SetPixel(x, y, argb);
    }
}

}  // namespace

std::vector<IconShape> VelmarkIconShapes() {
  auto disc = [](double x, double y, double r, std::uint32_t argb) {
    return IconShape{IconShape::kDisc, x, y, 0, 0, r, argb};
  };
  return {
      disc(16, 16, 15.5, kGrey),
      disc(16, 16, 14.5, kSilver),
      disc(13, 12, 7, kLight),  // the shine
      disc(16, 16, 5, kGrey),
      IconShape{IconShape::kHole, 16, 16, 0, 0, 2.5, 0},  // the hole stays transparent
      // The needle of a speed gauge, pointing high.
      IconShape{IconShape::kStroke, 16, 16, 27, 7, 1.4, kRed},
      disc(16, 16, 2, kNavy),
  };
}

toolkit::TIcon VelmarkIcon() {
  TBitmap b(32, 32);
  for (const IconShape& s : VelmarkIconShapes()) {
    switch (s.kind) {
      case IconShape::kDisc:
        Disc(b, s.x0, s.y0, s.radius, s.argb);
        break;
      case IconShape::kHole:
        Disc(b, s.x0, s.y0, s.radius, 0x00000000);
        break;
      case IconShape::kStroke:
        Stroke(b, s.x0, s.y0, s.x1, s.y1, s.radius, s.argb);
        break;
    }
  }
  return b;
}

TBitmap HelpGlyph() {
  TBitmap b(16, 16);
  Disc(b, 8, 8, 7.5, kNavy);
  Disc(b, 8, 8, 6.5, kBlue);
  // The question mark: an arc, a stem and a dot.
  Stroke(b, 5.5, 5.5, 6.5, 4, 0.9, kWhite);
  Stroke(b, 6.5, 4, 9.5, 4, 0.9, kWhite);
  Stroke(b, 9.5, 4, 10.5, 5.5, 0.9, kWhite);
  Stroke(b, 10.5, 5.5, 8, 8, 0.9, kWhite);
  Stroke(b, 8, 8, 8, 9.5, 0.9, kWhite);
  Disc(b, 8, 12, 1.1, kWhite);
  return b;
}

TBitmap StartAdjustGlyph() {
  TBitmap b(16, 16);
  Stroke(b, 3, 2, 3, 14, 1.0, kNavy);  // the stop bar
  Triangle(b, 5, 8, 10, 3.5, 10, 12.5, kGreen);
  Stroke(b, 9, 8, 14, 8, 1.3, kGreen);
  return b;
}

TBitmap BlockAdjustGlyph() {
  TBitmap b(16, 16);
  Stroke(b, 13, 2, 13, 14, 1.0, kNavy);  // the stop bar at the end of the disc
  Stroke(b, 2, 8, 7, 8, 1.3, kGreen);    // the range
  Triangle(b, 11, 8, 6.5, 3.5, 6.5, 12.5, kGreen);
  return b;
}
