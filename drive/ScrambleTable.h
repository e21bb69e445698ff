// The sector scrambler sequence of ECMA-130: 2340 bytes, produced by a 15-bit shift
// register with the polynomial x^15 + x + 1, preset to 0001h, least significant bit first.
// It covers every byte of a raw sector after the 12-byte sync field.
#pragma once

#include "platform/win32.h"

inline constexpr DWORD kScrambleTableSize = 2340;

class ScrambleTable {
 public:
  ScrambleTable();
  ~ScrambleTable() = default;

  // The one table of the process; never copied or freed.
  const BYTE (&Table)[kScrambleTableSize];

  // Runs the scrambler register from its preset and writes `count` bytes of its output.
  static constexpr void Generate(BYTE* out, DWORD count) {
    WORD reg = 0x0001;
    for (DWORD i = 0; i < count; ++i) {
      BYTE value = 0;
      for (int bit = 0; bit < 8; ++bit) {
        value = static_cast<BYTE>(value | ((reg & 1) << bit));
        const WORD feedback = static_cast<WORD>((reg ^ (reg >> 1)) & 1);
        reg = static_cast<WORD>((reg >> 1) | (feedback << 14));
      }
      out[i] = value;
    }
  }
};
