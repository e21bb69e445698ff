#include "sim/scsi/AudioExtraction.h"

namespace sim {

DamagedBytes DamageOf(std::int32_t lba, int read) {
  DamagedBytes d{};
  const auto base = static_cast<std::uint32_t>(lba) * 7u + static_cast<std::uint32_t>(read) * 131u;
  for (int k = 0; k < DamagedBytes::kCount; ++k) {
    d.position[k] = (base + static_cast<std::uint32_t>(k) * 293u) % 2352u;
    d.mask[k] = static_cast<std::uint8_t>(
        1 + (static_cast<std::uint32_t>(lba) + static_cast<std::uint32_t>(read) * 3u + k) % 255u);
  }
  return d;
}

}  // namespace sim
