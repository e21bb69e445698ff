#include "toolkit/qt/QtConvert.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringDecoder>

namespace toolkit::qt {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

bool IsFixedPitchName(const std::string& name) {
  for (const char* face : {"Courier", "Mono", "Console", "Fixedsys"})
    if (name.find(face) != std::string::npos) return true;
  return false;
}

QString FamilyFor(const std::string& name) {
  const QString wanted = ToQString(name);
  const QStringList families = QFontDatabase::families();
  if (families.contains(wanted, Qt::CaseInsensitive)) return wanted;
  if (IsFixedPitchName(name)) {
    // A fixed-pitch face stands in for a fixed-pitch one, so that columns stay aligned.
    for (const char* fallback : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono"}) {
      if (families.contains(QString::fromLatin1(fallback), Qt::CaseInsensitive)) {
        return QString::fromLatin1(fallback);
      }
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  }
  for (const char* fallback : {"DejaVu Sans", "Liberation Sans", "Noto Sans", "FreeSans"}) {
    if (families.contains(QString::fromLatin1(fallback), Qt::CaseInsensitive)) {
      return QString::fromLatin1(fallback);
    }
  }
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

namespace {

QFont MakeFont(const std::string& name, int height, TFontStyles style) {
  const QString family = FamilyFor(name);
  QFont f(family);
  f.setStyleHint(IsFixedPitchName(name) ? QFont::TypeWriter : QFont::SansSerif);
  // The window's face is a narrow one; where a wider face stands in for it, its
  // semi-condensed cut keeps the texts within the controls laid out for it.
  if (family.compare(ToQString(name), Qt::CaseInsensitive) != 0 && name == "MS Sans Serif") {
    f.setStretch(QFont::SemiCondensed);
  }
  f.setPixelSize(height < 0 ? -height : (height == 0 ? 11 : height));
  f.setBold(style.Contains(fsBold));
  f.setItalic(style.Contains(fsItalic));
  f.setUnderline(style.Contains(fsUnderline));
  f.setStrikeOut(style.Contains(fsStrikeOut));
  return f;
}

}  // namespace

QFont ToQFont(const TFont& font) {
  return MakeFont(font.Name, font.Height, font.Style);
}

QFont ToQFont(const TTextAttributes& a) {
  return MakeFont(a.Name, a.Height, a.Style);
}

QImage ToQImage(const TBitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) line[x] = bitmap.Pixel(x, y);
  }
  return image;
}

QString ToQString(const std::string& text) {
  // Texts may carry bytes of drive replies; cut at a zero byte as the window would.
  const std::size_t end = text.find('\0');
  const std::string shown = end == std::string::npos ? text : text.substr(0, end);
  const QByteArray bytes(shown.data(), static_cast<qsizetype>(shown.size()));
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8(bytes);
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(bytes);  // not UTF-8: one character per byte
}

}  // namespace toolkit::qt
