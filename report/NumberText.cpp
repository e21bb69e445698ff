#include "report/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace report {

std::string FixedTwo(float value) {
  if (!std::isfinite(value)) return "0.00";
  char text[64];
  // Below 100000 two decimals are at most 7 significant digits: one rounding, one call (the
  // speed test shows a speed every few commands).
  if (std::fabs(value) < 99999.0f) {
    // Exactly what "%.2f" prints, without the format string's cost.
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                   std::chars_format::fixed, 2)
                         .ptr;
    return std::string(text, end);
  }
  // At most 7 significant digits: the value is rounded to them first, then shown with two
  // decimals (123456.789 is 123456.80).
  char significant[64];
  std::snprintf(significant, sizeof significant, "%.6e", static_cast<double>(value));
  const double rounded = std::strtod(significant, nullptr);
  std::snprintf(text, sizeof text, "%.2f", rounded);
  // Count the integer digits of the rounded text; more than 7 switch to exponent notation.
  const char* digits = text[0] == '-' ? text + 1 : text;
  const char* point = std::strchr(digits, '.');
  const size_t integerDigits = point != nullptr ? static_cast<size_t>(point - digits) : 0;
  if (integerDigits <= 7) return text;

  // Exponent notation with 7 significant digits, trailing zeros of the mantissa dropped.
  char mantissa[64];
  std::snprintf(mantissa, sizeof mantissa, "%.6E", static_cast<double>(value));
  char* e = std::strchr(mantissa, 'E');
  std::string head(mantissa, static_cast<size_t>(e - mantissa));
  std::string exponent(e);
  while (!head.empty() && head.back() == '0') head.pop_back();
  if (!head.empty() && head.back() == '.') head.pop_back();
  return head + exponent;
}

std::int32_t TruncateToInt32(float value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(static_cast<double>(value));
  if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(t);
}

double ShortestDouble(float value) {
  if (!std::isfinite(value)) return static_cast<double>(value);
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double result = static_cast<double>(value);
  std::from_chars(text, written.ptr, result);
  return result;
}

}  // namespace report
