// One CSV field: a text quoted when it holds a separator, a quote or a line break.
#pragma once

#include <string>

namespace report {

inline std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace report
