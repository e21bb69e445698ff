// Colours, fonts and small images of the window toolkit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace toolkit {

// A colour: 0x00BBGGRR, or a system colour (high bit set, low byte the system index)
// that ColorToRGB resolves.
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor clInfoText = clSystemColor | 23;
inline constexpr TColor clInfoBk = clSystemColor | 24;

// The 0x00BBGGRR value of a colour; system colours resolve to the classic scheme.
TColor ColorToRGB(TColor color);
inline constexpr int GetRValue(TColor c) {
  return c & 0xFF;
}
inline constexpr int GetGValue(TColor c) {
  return (c >> 8) & 0xFF;
}
inline constexpr int GetBValue(TColor c) {
  return (c >> 16) & 0xFF;
}
inline constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Font styles; the numeric values are the report's style codes 0 to 3.
enum TFontStyle : std::uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };

// A set of font styles.
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle s : styles) Include(s);
  }
  constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
  constexpr void Include(TFontStyle s) { bits_ = static_cast<std::uint8_t>(bits_ | (1u << s)); }
  constexpr void Exclude(TFontStyle s) { bits_ = static_cast<std::uint8_t>(bits_ & ~(1u << s)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint8_t Bits() const { return bits_; }
  constexpr TFontStyles operator+(TFontStyles o) const { return FromBits(bits_ | o.bits_); }
  constexpr TFontStyles operator+(TFontStyle s) const { return FromBits(bits_ | (1u << s)); }
  constexpr bool operator==(const TFontStyles&) const = default;
  static constexpr TFontStyles FromBits(unsigned bits) {
    TFontStyles r;
    r.bits_ = static_cast<std::uint8_t>(bits & 0x0F);
    return r;
  }

 private:
  std::uint8_t bits_ = 0;
};

// Screen resolution the toolkit assumes (the window is not scaled).
inline constexpr int kPixelsPerInch = 96;

// A font. Height < 0 is the character height in pixels (size in points = -Height * 72 /
// 96); the window's font is "MS Sans Serif", height -11 (8 points).
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  TColor Color = clWindowText;
  TFontStyles Style;

  int Size() const;          // points, rounded
  void SetSize(int points);  // Height = -round(points * 96 / 72)
  bool operator==(const TFont&) const = default;
};

// A small image: Width x Height pixels of 0xAARRGGBB, row by row from the top.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height) { SetSize(width, height); }
  void SetSize(int width, int height);  // transparent pixels
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Out-of-range coordinates are ignored (Set) or read as transparent (Pixel).
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t argb);
  void SetPixelColor(int x, int y, TColor color, int alpha = 255);
  void FillRect(int x, int y, int w, int h, std::uint32_t argb);
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }
  bool operator==(const TBitmap&) const = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

using TIcon = TBitmap;

// 0xAARRGGBB of a colour (system colours resolved).
std::uint32_t ColorToArgb(TColor color, int alpha = 255);

}  // namespace toolkit
