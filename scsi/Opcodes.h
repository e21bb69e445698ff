// Operation codes (byte 0 of a command descriptor block) of the SPC and MMC commands the
// system sends or a simulated drive answers, and the mode page codes it asks for.
#pragma once

#include <cstdint>

namespace scsi {

namespace op {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kModeSelect6 = 0x15;
inline constexpr std::uint8_t kModeSense6 = 0x1A;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t kReadCapacity = 0x25;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kSeek10 = 0x2B;
inline constexpr std::uint8_t kReadSubChannel = 0x42;
inline constexpr std::uint8_t kReadTocPmaAtip = 0x43;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kGetEventStatusNotification = 0x4A;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kRead12 = 0xA8;
inline constexpr std::uint8_t kGetPerformance = 0xAC;
inline constexpr std::uint8_t kReadCdMsf = 0xB9;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
inline constexpr std::uint8_t kMechanismStatus = 0xBD;
inline constexpr std::uint8_t kReadCd = 0xBE;
}  // namespace op

// Mode page codes (the low six bits of MODE SENSE byte 2).
namespace page {
inline constexpr std::uint8_t kErrorRecovery = 0x01;  // read/write error recovery
inline constexpr std::uint8_t kCapabilities = 0x2A;   // CD/DVD capabilities and mechanical status
inline constexpr std::uint8_t kAllPages = 0x3F;       // every page the drive has
inline constexpr std::uint8_t kCodeMask = 0x3F;       // page code bits of a page's byte 0
}  // namespace page

// The track number that stands for the lead-out in READ TOC/PMA/ATIP.
inline constexpr std::uint8_t kLeadOutTrack = 0xAA;

}  // namespace scsi
