// The lead-out of a disc from a READ TOC reply (format 0, track AAh): the address of every
// lead-out descriptor in the reply, and whether a CD can have it.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win32.h"

// The last address a CD can hold, 99:59:74 (LBA 449849).
inline constexpr LONG kLastCdAddress = 99 * 4500 + 59 * 75 + 74 - 150;

// Walks the descriptors the reply's length field announces, cut to the `size` bytes given.
std::vector<LONG> LeadOutAddresses(const BYTE* toc, std::size_t size);

// 0 to 99:59:74: anything else (negative, or far past what a CD holds) is no CD's lead-out.
inline bool IsCdLeadOut(LONG address) {
  return address >= 0 && address <= kLastCdAddress;
}
