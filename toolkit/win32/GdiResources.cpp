#include "toolkit/win32/GdiResources.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace toolkit::win32 {

COLORREF ToColorRef(TColor color) {
  if ((color & clSystemColor) != 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color & 0x00FFFFFF);
}

std::string Shown(const std::string& text) {
  const std::size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

GdiResources::~GdiResources() {
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [key, brush] : brushes_) DeleteObject(brush);
}

HFONT GdiResources::Font(const std::string& name, int height, TFontStyles style, int escapement) {
  const auto key = std::make_tuple(name, height, unsigned{style.Bits()}, escapement);
  if (auto found = fonts_.find(key); found != fonts_.end()) return found->second;
  LOGFONTA wanted{};
  wanted.lfHeight = height == 0 ? -11 : height;
  wanted.lfEscapement = escapement;
  wanted.lfOrientation = escapement;
  wanted.lfWeight = style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  wanted.lfItalic = style.Contains(fsItalic) ? TRUE : FALSE;
  wanted.lfUnderline = style.Contains(fsUnderline) ? TRUE : FALSE;
  wanted.lfStrikeOut = style.Contains(fsStrikeOut) ? TRUE : FALSE;
  wanted.lfCharSet = DEFAULT_CHARSET;
  wanted.lfOutPrecision = escapement != 0 ? OUT_TT_PRECIS : OUT_DEFAULT_PRECIS;
  wanted.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  wanted.lfQuality = DEFAULT_QUALITY;
  // A fixed-pitch face asked for by name stays fixed-pitch where the system lacks it.
  wanted.lfPitchAndFamily =
      name.rfind("Courier", 0) == 0 ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_SWISS;
  std::strncpy(wanted.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectA(&wanted);
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = font;
  return font;
}

HBRUSH GdiResources::Brush(TColor color) {
  const COLORREF rgb = ToColorRef(color);
  if (auto found = brushes_.find(rgb); found != brushes_.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(rgb);
  brushes_[rgb] = brush;
  return brush;
}

namespace {

// The picture's pixels as a top-down 32-bit DIB row list, each pixel blended over
// `background` (or kept with its alpha, premultiplied, when `keepAlpha`).
std::vector<std::uint32_t> Blend(const TBitmap& picture, COLORREF background, bool disabled,
                                 bool keepAlpha) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(picture.Width()) * picture.Height());
  const unsigned br = GetRValue(background), bg = GetGValue(background), bb = GetBValue(background);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const std::uint32_t argb = picture.Pixel(x, y);
      unsigned a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (disabled) {  // grey, and half as strong
        const unsigned grey = (r * 30 + g * 59 + b * 11) / 100;
        r = g = b = (grey + 128) / 2 + 32;
        a /= 2;
      }
      std::uint32_t pixel;
      if (keepAlpha) {
        pixel = (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
      } else {
        const unsigned R = (r * a + br * (255 - a)) / 255, G = (g * a + bg * (255 - a)) / 255,
                       B = (b * a + bb * (255 - a)) / 255;
        pixel = (R << 16) | (G << 8) | B;
      }
      out[static_cast<std::size_t>(y) * picture.Width() + x] = pixel;
    }
  }
  return out;
}

}  // namespace

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void DrawPicture(HDC dc, int x, int y, const TBitmap& picture, COLORREF background, bool disabled) {
  if (picture.Empty()) return;
  const std::vector<std::uint32_t> pixels = Blend(picture, background, disabled, false);
  BITMAPINFO info = TopDown32(picture.Width(), picture.Height());
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.Width()),
                    static_cast<DWORD>(picture.Height()), 0, 0, 0,
                    static_cast<UINT>(picture.Height()), pixels.data(), &info, DIB_RGB_COLORS);
}

HICON MakeIcon(const TBitmap& picture) {
  if (picture.Empty()) return nullptr;
  const std::vector<std::uint32_t> pixels = Blend(picture, 0, false, true);
  BITMAPINFO info = TopDown32(picture.Width(), picture.Height());
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour == nullptr || bits == nullptr) return nullptr;
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
  // The mask: set where the picture is transparent (systems without alpha icons use it).
  const int stride = ((picture.Width() + 15) / 16) * 2;
  std::vector<BYTE> maskBits(static_cast<std::size_t>(stride) * picture.Height(), 0);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if ((picture.Pixel(x, y) >> 24) < 128)
        maskBits[static_cast<std::size_t>(y) * stride + x / 8] |=
            static_cast<BYTE>(0x80 >> (x % 8));
  HBITMAP mask = CreateBitmap(picture.Width(), picture.Height(), 1, 1, maskBits.data());
  ICONINFO icon{};
  icon.fIcon = TRUE;
  icon.hbmMask = mask;
  icon.hbmColor = colour;
  HICON made = CreateIconIndirect(&icon);
  DeleteObject(mask);
  DeleteObject(colour);
  return made;
}

TextMetrics MetricsOf(HDC dc, HFONT font) {
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  return {static_cast<int>(metrics.tmHeight), static_cast<int>(metrics.tmAscent)};
}

SIZE TextExtent(HDC dc, HFONT font, const std::string& text) {
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{0, 0};
  const std::string shown = Shown(text);
  GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  if (shown.empty()) {
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    size.cy = metrics.tmHeight;
  }
  SelectObject(dc, previous);
  return size;
}

}  // namespace toolkit::win32
