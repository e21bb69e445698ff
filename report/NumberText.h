// Number formats of the reports: speeds in fixed notation with two decimals, and the
// truncation toward zero applied to kilobyte figures.
#pragma once

#include <cstdint>
#include <string>

namespace report {

// Fixed-point with exactly two digits after the decimal point and at most 7 significant
// digits: a value that needs more than 7 integer digits is written in exponent notation
// (7 significant digits, e.g. "1.234568E+07"). A value that is not a finite number is
// written as "0.00".
std::string FixedTwo(float value);

// Truncates toward zero into signed 32 bits, saturating at the ends of the range (a value
// that is not a number gives 0).
std::int32_t TruncateToInt32(float value);

// The shortest decimal that reads back as `value`, as a double: 1.3333334f gives
// 1.3333334, not 1.3333333730697632.
double ShortestDouble(float value);

}  // namespace report
