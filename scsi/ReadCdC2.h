// READ CD with C2 error pointers: the whole 2,352-byte sector followed by the drive's C2
// error information, one bit per byte of the sector (a set bit marks a byte the drive could
// not correct). Byte 9's C2 field selects 01b, the 294 bytes of bits, or 10b, a block error
// byte (the OR of the 294), a pad byte, then the 294 bytes. The plain READ CD builder keeps
// its own byte 9 (C2 field cleared); this one sets the field and nothing else of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scsi {

enum class C2Field : std::uint8_t {
  Bits = 0x01,               // 294 bytes of C2 bits after each sector
  BlockErrorAndBits = 0x02,  // the block error byte, a pad byte, then the 294 bytes
};

inline constexpr std::uint32_t kCdSectorBytes = 2352;
inline constexpr std::uint32_t kC2BitsBytes = 294;  // 2,352 bits, one per byte of the sector

// Bytes the C2 field adds to a sector: 294 or 296.
constexpr std::uint32_t C2Bytes(C2Field field) {
  return field == C2Field::Bits ? kC2BitsBytes : kC2BitsBytes + 2;
}
// Bytes of one sector and its C2 information: 2,646 or 2,648.
constexpr std::uint32_t C2SectorBytes(C2Field field) {
  return kCdSectorBytes + C2Bytes(field);
}
// Byte 9: sync, headers, user data, EDC/ECC and the C2 field in bits 2-1.
constexpr std::uint8_t ReadCdC2Flags(C2Field field) {
  return static_cast<std::uint8_t>(0xF8 | (static_cast<std::uint8_t>(field) << 1));
}

// The 12-byte command block: READ CD of `blocks` sectors (24 bits) from `lba`, of
// `sectorType` (the MMC field already in bits 2-4), no sub-channel data.
std::array<std::uint8_t, 12> ReadCdC2Cdb(std::int32_t lba, std::uint32_t blocks,
                                         std::uint8_t sectorType, C2Field field);

// One sector of a reply: where its samples and its C2 bits lie in the reply, how many bytes
// the bits flag, and the block error byte (10b only; 0 for 01b).
struct C2Sector {
  std::size_t samplesOffset = 0;
  std::size_t bitsOffset = 0;
  std::uint32_t flaggedBytes = 0;
  std::uint8_t blockError = 0;
  bool Flagged() const { return flaggedBytes != 0 || blockError != 0; }
};

// The sectors of a reply of `received` bytes to a read of `blocks` sectors: only those that
// arrived whole (at most `blocks`, never past `received`).
std::vector<C2Sector> ParseReadCdC2(const std::uint8_t* reply, std::size_t received,
                                    std::uint32_t blocks, C2Field field);

}  // namespace scsi
