// Draws a graph model with GDI, as the Qt view's graph painter does: white background,
// title and notes, legend, grid, axes with their ticks and titles (the right axis only
// when a series uses it), the markers and the series as lines.
#pragma once

#include "toolkit/TGraph.h"
#include "toolkit/win32/GdiResources.h"

namespace toolkit::win32 {

// Draws `model` filling `area` of `dc`; `font` is the base font (the title is drawn larger
// and bold).
void PaintGraph(HDC dc, const RECT& area, const TGraphModel& model, const TFont& font,
                GdiResources& gdi);

}  // namespace toolkit::win32
