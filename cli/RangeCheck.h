// The range of a command-line test against the disc, before anything is read: a start at
// or past the recorded capacity C is refused; a range that runs past the end is shortened
// to end 2 blocks before the lead-out (at C - 2, where the window's default range ends).
#pragma once

#include <cstdint>
#include <string>

struct RangeVerdict {
  enum Kind { kRuns, kShortened, kRefused } kind = kRuns;
  std::int32_t blocks = 0;  // the amount to read (kRuns, kShortened)
  std::string message;      // why it was shortened or refused
};

// `capacity`: the disc's recorded capacity in blocks (its lead-out address).
RangeVerdict CheckRange(std::int32_t start, std::int32_t blocks, std::int32_t capacity);
