#include "app/NumberText.h"

#include "report/NumberText.h"

// The report's formats are the result writers' formats: one implementation of each.
std::string FixedTwo(float value) {
  return report::FixedTwo(value);
}

LONG TruncateToLong(float value) {
  return static_cast<LONG>(report::TruncateToInt32(value));
}
