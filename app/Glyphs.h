// The window's icon and the images of its three flat buttons, drawn in code.
#pragma once

#include "toolkit/Graphics.h"

// 32 x 32: a disc with a speed needle.
toolkit::TIcon VelmarkIcon();
// 16 x 16, HelpButton: a question mark in a blue disc.
toolkit::TBitmap HelpGlyph();
// 16 x 16, StartAdjustButton: an arrow back to a stop bar (move the start inside the disc).
toolkit::TBitmap StartAdjustGlyph();
// 16 x 16, BlockAdjustButton: a range bar pulled in to a stop (shorten the amount).
toolkit::TBitmap BlockAdjustGlyph();
