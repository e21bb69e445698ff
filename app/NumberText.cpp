#include "app/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

std::string FixedTwo(float value) {
  if (!std::isfinite(value)) return "0.00";
  // At most 7 significant digits: the value is rounded to them first, then shown with two
  // decimals (123456.789 is 123456.80).
  char significant[64];
  std::snprintf(significant, sizeof significant, "%.6e", static_cast<double>(value));
  const double rounded = std::strtod(significant, nullptr);
  char text[64];
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

LONG TruncateToLong(float value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(static_cast<double>(value));
  if (t >= static_cast<double>(std::numeric_limits<LONG>::max()))
    return std::numeric_limits<LONG>::max();
  if (t <= static_cast<double>(std::numeric_limits<LONG>::min()))
    return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(t);
}
