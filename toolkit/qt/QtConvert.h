// Conversions from the toolkit's colours, fonts and images to Qt's.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <string>

#include "toolkit/Graphics.h"
#include "toolkit/TRichEdit.h"

namespace toolkit::qt {

QColor ToQColor(TColor color);
// The face the font names, or the closest sans face on this machine when it is missing
// ("MS Sans Serif" becomes DejaVu Sans where that is installed). The pixel height is the
// toolkit's character height (-11: 8 points at 96 pixels per inch).
QFont ToQFont(const TFont& font);
QFont ToQFont(const TTextAttributes& attributes);
// Whether a face name is one of a fixed-pitch face ("Courier New", "Lucida Console", ...).
bool IsFixedPitchName(const std::string& name);
// The family ToQFont uses for a face name.
QString FamilyFor(const std::string& name);
QImage ToQImage(const TBitmap& bitmap);
QString ToQString(const std::string& text);

}  // namespace toolkit::qt
