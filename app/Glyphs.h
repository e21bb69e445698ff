// The window's icon and the images of its three flat buttons, drawn in code.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/Graphics.h"

// One shape of the icon, in its 32 x 32 square. Shapes are drawn back to front; a hole
// clears what was drawn before it.
struct IconShape {
  enum Kind { kDisc, kHole, kStroke } kind;
  double x0, y0;       // disc, hole: the centre; stroke: the start
  double x1, y1;       // stroke: the end
  double radius;       // disc, hole: the radius; stroke: half its width (round ends)
  std::uint32_t argb;  // disc, stroke
};

// The icon's drawing: a disc with a speed needle. The 32-pixel icon, the scalable icon and
// the larger pictures are all made from it.
std::vector<IconShape> VelmarkIconShapes();

// 32 x 32: a disc with a speed needle.
toolkit::TIcon VelmarkIcon();
// 16 x 16, HelpButton: a question mark in a blue disc.
toolkit::TBitmap HelpGlyph();
// 16 x 16, StartAdjustButton: an arrow back to a stop bar (move the start inside the disc).
toolkit::TBitmap StartAdjustGlyph();
// 16 x 16, BlockAdjustButton: a range bar pulled in to a stop (shorten the amount).
toolkit::TBitmap BlockAdjustGlyph();
