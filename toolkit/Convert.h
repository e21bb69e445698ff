// String and integer conversions.
#pragma once

#include <cstdint>
#include <string>

namespace toolkit {

// Signed 32-bit integer of a text: optional leading blanks, an optional sign, then decimal
// digits or a hexadecimal number after "$" or "0x". Anything else (empty text, trailing
// characters, a value outside -2147483648..2147483647) throws EConvertError with
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);
// As StrToInt, but answers `fallback` instead of throwing.
std::int32_t StrToIntDef(const std::string& text, std::int32_t fallback);
// True and `value` set when the text converts.
bool TryStrToInt(const std::string& text, std::int32_t& value);

std::string IntToStr(std::int64_t value);

}  // namespace toolkit
