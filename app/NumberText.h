// Number formats of the report: speeds in fixed notation with two decimals, counts as plain
// decimals, and the truncation toward zero the report applies to kilobyte figures.
#pragma once

#include <string>

#include "platform/win32.h"

// Fixed-point with exactly two digits after the decimal point and at most 7 significant
// digits: a value that needs more than 7 integer digits is written in exponent notation
// (7 significant digits, e.g. "1.234568E+07"). A value that is not a finite number is
// written as "0.00": the speed test never hands one over, this only keeps the panel sane.
std::string FixedTwo(float value);

// Truncates toward zero into signed 32 bits, saturating at the ends of the range (a value
// that is not a number gives 0).
LONG TruncateToLong(float value);
