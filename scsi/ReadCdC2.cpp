#include "scsi/ReadCdC2.h"

#include <algorithm>
#include <bit>

namespace scsi {

std::array<std::uint8_t, 12> ReadCdC2Cdb(std::int32_t lba, std::uint32_t blocks,
                                         std::uint8_t sectorType, C2Field field) {
  const auto a = static_cast<std::uint32_t>(lba);
  return {0xBE,
          static_cast<std::uint8_t>(sectorType & 0x1C),
          static_cast<std::uint8_t>(a >> 24),
          static_cast<std::uint8_t>(a >> 16),
          static_cast<std::uint8_t>(a >> 8),
          static_cast<std::uint8_t>(a),
          static_cast<std::uint8_t>(blocks >> 16),
          static_cast<std::uint8_t>(blocks >> 8),
          static_cast<std::uint8_t>(blocks),
          ReadCdC2Flags(field),
          0x00,
          0x00};
}

std::vector<C2Sector> ParseReadCdC2(const std::uint8_t* reply, std::size_t received,
                                    std::uint32_t blocks, C2Field field) {
  std::vector<C2Sector> sectors;
  if (reply == nullptr) return sectors;
  const std::size_t size = C2SectorBytes(field);
  const std::size_t whole = std::min<std::size_t>(blocks, received / size);
  sectors.reserve(whole);
  for (std::size_t i = 0; i < whole; ++i) {
    C2Sector s;
    s.samplesOffset = i * size;
    const std::size_t extra = s.samplesOffset + kCdSectorBytes;
    s.bitsOffset = field == C2Field::Bits ? extra : extra + 2;
    if (field == C2Field::BlockErrorAndBits) s.blockError = reply[extra];
    for (std::size_t b = 0; b < kC2BitsBytes; ++b)
      s.flaggedBytes += static_cast<std::uint32_t>(std::popcount(reply[s.bitsOffset + b]));
    sectors.push_back(s);
  }
  return sectors;
}

}  // namespace scsi
