// Byte-level comparison of request blocks and pass-through blocks with literal tables in the
// published 32-bit layouts. On a 32-bit target the native blocks are those layouts; on a
// 64-bit target the pointer fields widen, so a block is first laid out at its 32-bit
// offsets with every pointer field as four zero bytes (the tables hold zeros there and the
// tests check the pointers by value).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "transport/SPTI.h"
#include "transport/wnaspi32.h"

namespace transport_test {

using Bytes = std::vector<BYTE>;

inline std::string Hex(const Bytes& bytes) {
  std::string text;
  char cell[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof(cell), "%02X", bytes[i]);
    if (i != 0) text += (i % 16 == 0) ? "\n" : " ";
    text += cell;
  }
  return text;
}

// EXPECT that `actual` equals `expected` byte for byte; names the first differing offset.
inline ::testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure()
         << "blocks differ at offset " << at << " (sizes " << actual.size() << " and "
         << expected.size() << ")\nactual:\n"
         << Hex(actual) << "\nexpected:\n"
         << Hex(expected);
}

// A copy of a field of a packed block: the comparison macros bind references, which a
// packed (unaligned) field must not be bound to.
template <class T>
T Unpacked(T value) {
  return value;
}

inline Bytes Raw(const void* data, std::size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  return Bytes(bytes, bytes + size);
}

// A 32-bit layout built from pieces: literal byte runs and pointer fields.
class Layout32 {
 public:
  Layout32& Take(const BYTE* from, std::size_t size) {
    bytes_.insert(bytes_.end(), from, from + size);
    return *this;
  }
  Layout32& Pointer() {
    bytes_.insert(bytes_.end(), 4, 0);
    return *this;
  }
  Layout32& Dword(DWORD value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<BYTE>(value >> (8 * i)));
    return *this;
  }
  Bytes bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// The 130-byte SC_EXEC_SCSI_CMD block at its 32-bit offsets, pointers as zeros.
inline Bytes ExecWire32(const void* native) {
  const BYTE* b = static_cast<const BYTE*>(native);
  const std::size_t pointer = sizeof(void*);
  // native: [0,16) BufPointer [16+p, 20+p) PostProc [24+2p-4 ...)
  Layout32 layout;
  layout.Take(b, 16).Pointer();
  layout.Take(b + 16 + pointer, 4).Pointer();
  layout.Take(b + 20 + 2 * pointer, 130 - 28);
  return layout.bytes();
}

// The first 44 bytes of a pass-through block at their 32-bit offsets. The direct call's
// DataBuffer is a pointer (zeros in the table); the buffered call's DataBufferOffset is a
// number and is laid out as one.
inline Bytes PassThroughWire32(const Bytes& native, bool buffered) {
  SCSI_PASS_THROUGH_DIRECT spt{};
  std::memcpy(&spt, native.data(), sizeof(spt));
  BYTE head[9];
  std::memcpy(head, native.data(), sizeof(head));  // Length .. DataIn
  const BYTE reserved[3] = {0, 0, 0};
  Layout32 layout;
  layout.Take(head, sizeof(head)).Take(reserved, 3);
  layout.Dword(spt.DataTransferLength).Dword(spt.TimeOutValue);
  if (buffered) {
    layout.Dword(static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(spt.DataBuffer)));
  } else {
    layout.Pointer();
  }
  layout.Dword(spt.SenseInfoOffset).Take(spt.Cdb, sizeof(spt.Cdb));
  return layout.bytes();
}

}  // namespace transport_test
