// The shape of the drive-access chain: its bases, which of them are virtual (one
// sub-object per complete object), and where the virtual operations begin.
#include <gtest/gtest.h>

#include <type_traits>

#include "drive/FileMMCSeq.h"

namespace {

// A base reached by one path only: the conversion is unambiguous.
template <class Base, class Derived>
constexpr bool kOneSubobject = requires(Derived& d) {
  static_cast<Base&>(d);
};

// static_cast from a base down to the derived class is refused exactly for virtual bases.
template <class Base, class Derived>
constexpr bool kVirtualBase = std::is_base_of_v<Base, Derived> && !requires(Base * b) {
  static_cast<Derived*>(b);
};

TEST(ChainTest, BasesAndVirtualBases) {
  static_assert(std::is_base_of_v<Aspi, MMC> && !kVirtualBase<Aspi, MMC>);
  static_assert(std::is_base_of_v<ScrambleTable, MMC> && !kVirtualBase<ScrambleTable, MMC>);
  static_assert(kVirtualBase<AspiTools, MMC>);
  static_assert(std::is_base_of_v<MMC, InitMMCSeq> && !kVirtualBase<MMC, InitMMCSeq>);
  static_assert(std::is_base_of_v<InitMMCSeq, CommandSeq>);
  static_assert(std::is_base_of_v<CommandSeq, ReadCDSeq> && !kVirtualBase<CommandSeq, ReadCDSeq>);
  static_assert(std::is_base_of_v<AspiMemAlloc, ReadCDSeq>);
  static_assert(kVirtualBase<Logging, AspiMemAlloc>);
  static_assert(std::is_base_of_v<ReadCDSeq, TOCSeq> && !kVirtualBase<ReadCDSeq, TOCSeq>);
  static_assert(kVirtualBase<DataObjectMngr, TOCSeq>);
  static_assert(std::is_base_of_v<TOCSeq, FileMMCSeq>);

  // One Logging, one AspiTools and one DataObjectMngr in the complete object.
  static_assert(kOneSubobject<Logging, FileMMCSeq>);
  static_assert(kOneSubobject<AspiTools, FileMMCSeq>);
  static_assert(kOneSubobject<DataObjectMngr, FileMMCSeq>);

  // The virtual operations begin in InitMMCSeq; nothing below it has any.
  static_assert(!std::is_polymorphic_v<Aspi>);
  static_assert(!std::is_polymorphic_v<MMC>);
  static_assert(std::is_polymorphic_v<InitMMCSeq>);
  static_assert(!std::is_polymorphic_v<AspiMemAlloc>);
  SUCCEED();
}

}  // namespace
