#include "toolkit/Graphics.h"

#include <cmath>

namespace toolkit {

TColor ColorToRGB(TColor color) {
  if ((color & clSystemColor) == 0) return color & 0x00FFFFFF;
  switch (color & 0xFF) {
    case 5:  // window
      return RGB(255, 255, 255);
    case 8:   // window text
    case 18:  // button text
    case 23:  // tool tip text
      return RGB(0, 0, 0);
    case 15:  // button face
      return RGB(212, 208, 200);
    case 16:  // button shadow
    case 17:  // grey text
      return RGB(128, 128, 128);
    case 20:  // button highlight
      return RGB(255, 255, 255);
    case 24:  // tool tip background
      return RGB(255, 255, 225);
    default:
      return RGB(0, 0, 0);
  }
}

std::uint32_t ColorToArgb(TColor color, int alpha) {
  const TColor rgb = ColorToRGB(color);
  return (static_cast<std::uint32_t>(alpha & 0xFF) << 24) |
         (static_cast<std::uint32_t>(GetRValue(rgb)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(rgb)) << 8) |
         static_cast<std::uint32_t>(GetBValue(rgb));
}

int TFont::Size() const {
  const int h = Height < 0 ? -Height : Height;
  return static_cast<int>(std::lround(h * 72.0 / kPixelsPerInch));
}

void TFont::SetSize(int points) {
  Height = -static_cast<int>(std::lround(points * static_cast<double>(kPixelsPerInch) / 72.0));
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
}

std::uint32_t TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void TBitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = argb;
}

void TBitmap::SetPixelColor(int x, int y, TColor color, int alpha) {
  SetPixel(x, y, ColorToArgb(color, alpha));
}

void TBitmap::FillRect(int x, int y, int w, int h, std::uint32_t argb) {
  for (int yy = y; yy < y + h; ++yy)
    for (int xx = x; xx < x + w; ++xx) SetPixel(xx, yy, argb);
}

}  // namespace toolkit
