// How every number on the command line must be written.
#pragma once

#include <string>

// Whether `text` is an optional sign and decimal digits, nothing else (no blanks, no "0x").
bool IsDecimalText(const std::string& text);
