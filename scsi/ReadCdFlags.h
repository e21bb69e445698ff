// READ CD byte 9: which parts of each sector the drive returns.
#pragma once

#include <cstdint>

namespace scsi {

// Sync, all headers, user data and EDC/ECC: the whole 2352-byte sector. Bits 2-1 (C2 error
// information) and bit 0 stay clear.
inline constexpr std::uint8_t kReadCdWholeSector = 0xF8;
// The bits of byte 9 a READ CD builder keeps from its caller's flags.
inline constexpr std::uint8_t kReadCdFlagsMask = 0xF8;

}  // namespace scsi
