// The range fields of the command line, judged before anything waits for the drive: a
// text that the window's integer conversion would refuse, or a number outside what a
// range can hold, is reported once, naming its option.
#pragma once

#include <cstdint>
#include <string>

#include "cli/CliOptions.h"
#include "cli/DecimalText.h"

// The number of a field's text, or the reason it has none. `low` is the smallest value the
// option takes (0 for a start address, 1 for an amount of blocks).
struct FieldValue {
  bool ok = false;
  std::int32_t value = 0;
  std::string error;  // "--start: 'abc' is not a valid integer value", ...
};
FieldValue CheckField(const std::string& option, const std::string& text, std::int32_t low);

// The first field error of --start and --blocks, or "" when both are good (or absent).
std::string CheckFields(const CliOptions& options);
