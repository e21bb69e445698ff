// Draws a graph model with a QPainter: on a widget, into an image or into an SVG file.
// Needs Qt's GUI module only.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>

#include "toolkit/TGraph.h"

namespace toolkit::qt {

// Draws `model` filling `area`: white background, title and notes, legend, grid, axes with
// their ticks and titles (the right axis only when a series uses it), the markers and the
// series as lines. `font` is the base font; the title is drawn larger and bold.
void PaintGraph(QPainter& painter, const QRect& area, const TGraphModel& model, const QFont& font);

}  // namespace toolkit::qt
