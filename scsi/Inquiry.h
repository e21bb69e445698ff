// Standard INQUIRY data: the peripheral device types the system meets and the bits of the
// first two bytes it reads or answers.
#pragma once

#include <cstdint>

namespace scsi::inquiry {

inline constexpr std::uint8_t kDirectAccess = 0x00;  // peripheral device type: a disk
inline constexpr std::uint8_t kCdDvd = 0x05;         // peripheral device type: an MMC drive
inline constexpr std::uint8_t kTypeMask = 0x1F;      // byte 0: the peripheral device type
inline constexpr std::uint8_t kRemovable = 0x80;     // byte 1: RMB, removable medium

}  // namespace scsi::inquiry
