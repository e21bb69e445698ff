// Text from outside (a drive's INQUIRY strings) made safe for a terminal: every byte outside
// printable ASCII, escape and other control characters included, is shown as \xNN.
#pragma once

#include <string>

inline std::string PrintableText(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    }
  }
  return shown;
}
