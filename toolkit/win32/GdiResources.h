// The GDI objects the Windows backend draws with: colours, fonts and brushes made once
// and kept for the life of the view, and the toolkit's small images as device pictures.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "toolkit/Graphics.h"
#include "toolkit/TRichEdit.h"

#include <commctrl.h>  // (after the system's headers that win32.h brings in)

namespace toolkit::win32 {

// The COLORREF of a colour; system colours are the system's own (GetSysColor).
COLORREF ToColorRef(TColor color);

// A text as the controls take it: cut at a zero byte (texts may carry drive replies).
std::string Shown(const std::string& text);

class GdiResources {
 public:
  GdiResources() = default;
  ~GdiResources();
  GdiResources(const GdiResources&) = delete;
  GdiResources& operator=(const GdiResources&) = delete;

  // A font of that face, height (negative: character height in pixels) and style; the
  // escapement turns the text (tenths of a degree, counter-clockwise).
  HFONT Font(const std::string& name, int height, TFontStyles style, int escapement = 0);
  HFONT Font(const TFont& font) { return Font(font.Name, font.Height, font.Style); }
  HBRUSH Brush(TColor color);

 private:
  std::map<std::tuple<std::string, int, unsigned, int>, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
};

// Draws a picture of 0xAARRGGBB pixels at (x, y), blended over `background`; `disabled`
// draws it greyed, as a disabled button's image.
void DrawPicture(HDC dc, int x, int y, const TBitmap& picture, COLORREF background,
                 bool disabled = false);
// A window icon from a picture (its alpha kept); null when the picture is empty. The
// caller destroys it (DestroyIcon).
HICON MakeIcon(const TBitmap& picture);
// The header of a top-down 32-bit picture of that size (one DWORD a pixel, rows from the top).
BITMAPINFO TopDown32(int width, int height);

// Line height and ascent of a font, in pixels.
struct TextMetrics {
  int height = 0;
  int ascent = 0;
};
TextMetrics MetricsOf(HDC dc, HFONT font);
// Width and height of a one-line text in a font.
SIZE TextExtent(HDC dc, HFONT font, const std::string& text);

}  // namespace toolkit::win32
