#include "cli/FieldCheck.h"

#include <cctype>
#include <limits>

#include "toolkit/Convert.h"

FieldValue CheckField(const std::string& option, const std::string& text, std::int32_t low) {
  constexpr std::int32_t kHigh = std::numeric_limits<std::int32_t>::max();
  const std::string range =
      " is out of range (" + std::to_string(low) + " to " + std::to_string(kHigh) + ")";
  FieldValue result;
  std::int32_t value = 0;
  // Decimal only: the window's conversion would also take hexadecimal ("0x10", "$10").
  if (!IsDecimalText(text)) {
    result.error = option + ": '" + text + "' is not a valid integer value";
    return result;
  }
  if (!toolkit::TryStrToInt(text, value)) {
    result.error = option + ": " + text + range;
    return result;
  }
  if (value < low) {
    result.error = option + ": " + text + range;
    return result;
  }
  result.ok = true;
  result.value = value;
  return result;
}

std::string CheckFields(const CliOptions& options) {
  if (options.start) {
    const FieldValue start = CheckField("--start", *options.start, 0);
    if (!start.ok) return start.error;
  }
  if (options.blocks) {
    const FieldValue blocks = CheckField("--blocks", *options.blocks, 1);
    if (!blocks.ok) return blocks.error;
  }
  return "";
}
