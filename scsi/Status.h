// SCSI status codes: what a target answers at the end of a command.
#pragma once

#include <cstdint>

namespace scsi::status {

inline constexpr std::uint8_t kGood = 0x00;
inline constexpr std::uint8_t kCheckCondition = 0x02;
inline constexpr std::uint8_t kConditionMet = 0x04;
inline constexpr std::uint8_t kBusy = 0x08;
inline constexpr std::uint8_t kReservationConflict = 0x18;
inline constexpr std::uint8_t kTaskSetFull = 0x28;
inline constexpr std::uint8_t kAcaActive = 0x30;
inline constexpr std::uint8_t kTaskAborted = 0x40;

}  // namespace scsi::status
