#include "drive/ScrambleTable.h"

namespace {

struct Sequence {
  BYTE bytes[kScrambleTableSize];
};

constexpr Sequence MakeSequence() {
  Sequence s{};
  ScrambleTable::Generate(s.bytes, kScrambleTableSize);
  return s;
}

constexpr Sequence kSequence = MakeSequence();
static_assert(kSequence.bytes[0] == 0x01 && kSequence.bytes[1] == 0x80 &&
              kSequence.bytes[2] == 0x00 && kSequence.bytes[3] == 0x60);

}  // namespace

ScrambleTable::ScrambleTable() : Table(kSequence.bytes) {}
