// Sense keys and the named additional sense codes (ASC/ASCQ pairs) the system meets, with
// the predicates for the conditions it acts on.
#pragma once

#include <cstdint>

namespace scsi {

namespace key {
inline constexpr std::uint8_t kNoSense = 0x00;
inline constexpr std::uint8_t kRecoveredError = 0x01;
inline constexpr std::uint8_t kNotReady = 0x02;
inline constexpr std::uint8_t kMediumError = 0x03;
inline constexpr std::uint8_t kHardwareError = 0x04;
inline constexpr std::uint8_t kIllegalRequest = 0x05;
inline constexpr std::uint8_t kUnitAttention = 0x06;
inline constexpr std::uint8_t kDataProtect = 0x07;
inline constexpr std::uint8_t kBlankCheck = 0x08;
inline constexpr std::uint8_t kVendorSpecific = 0x09;
inline constexpr std::uint8_t kCopyAborted = 0x0A;
inline constexpr std::uint8_t kAbortedCommand = 0x0B;
inline constexpr std::uint8_t kVolumeOverflow = 0x0D;
inline constexpr std::uint8_t kMiscompare = 0x0E;
inline constexpr std::uint8_t kMask = 0x0F;  // the key's bits in its sense byte
}  // namespace key

// An additional sense code and its qualifier.
struct SenseCode {
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  friend constexpr bool operator==(SenseCode, SenseCode) = default;
};

namespace asc {
inline constexpr SenseCode kNoAdditionalSense{0x00, 0x00};
inline constexpr SenseCode kIoProcessTerminated{0x00, 0x06};
inline constexpr SenseCode kNotReadyCauseNotReportable{0x04, 0x00};
inline constexpr SenseCode kBecomingReady{0x04, 0x01};
inline constexpr SenseCode kInitializingCommandRequired{0x04, 0x02};
inline constexpr SenseCode kUnrecoveredReadError{0x11, 0x00};
inline constexpr SenseCode kLecUncorrectableError{0x11, 0x05};
inline constexpr SenseCode kRandomPositioningError{0x15, 0x00};
inline constexpr SenseCode kParameterListLengthError{0x1A, 0x00};
inline constexpr SenseCode kInvalidCommandOperationCode{0x20, 0x00};
inline constexpr SenseCode kLbaOutOfRange{0x21, 0x00};
inline constexpr SenseCode kInvalidFieldInCdb{0x24, 0x00};
inline constexpr SenseCode kLogicalUnitNotSupported{0x25, 0x00};
inline constexpr SenseCode kInvalidFieldInParameterList{0x26, 0x00};
inline constexpr SenseCode kMediumMayHaveChanged{0x28, 0x00};
inline constexpr SenseCode kPowerOnOrReset{0x29, 0x00};
inline constexpr SenseCode kModeParametersChanged{0x2A, 0x01};
inline constexpr SenseCode kIncompatibleMediumInstalled{0x30, 0x00};
inline constexpr SenseCode kCannotReadMediumIncompatibleFormat{0x30, 0x02};
inline constexpr SenseCode kSavingParametersNotSupported{0x39, 0x00};
inline constexpr SenseCode kMediumNotPresent{0x3A, 0x00};
inline constexpr SenseCode kMediumNotPresentTrayClosed{0x3A, 0x01};
inline constexpr SenseCode kMediumNotPresentTrayOpen{0x3A, 0x02};
inline constexpr SenseCode kNotSelfConfigured{0x3E, 0x00};
inline constexpr SenseCode kScsiParityError{0x47, 0x00};
inline constexpr SenseCode kMediumRemovalPrevented{0x53, 0x02};
inline constexpr SenseCode kUnableToRecoverToc{0x57, 0x00};
inline constexpr SenseCode kOperatorMediumRemovalRequest{0x5A, 0x01};
inline constexpr SenseCode kEndOfUserAreaOnTrack{0x63, 0x00};
inline constexpr SenseCode kIllegalModeForThisTrack{0x64, 0x00};
}  // namespace asc

// Sense key, ASC and ASCQ: what a command's sense data says, in any format.
struct Sense {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  constexpr SenseCode Code() const { return {asc, ascq}; }
  friend constexpr bool operator==(const Sense&, const Sense&) = default;
};

constexpr Sense MakeSense(std::uint8_t key, SenseCode code) {
  return {key, code.asc, code.ascq};
}

// The key and the ASC match; the qualifier is not looked at.
constexpr bool KeyAndAsc(const Sense& s, std::uint8_t key, SenseCode code) {
  return s.key == key && s.asc == code.asc;
}

// No disc in the drive: NOT READY, MEDIUM NOT PRESENT (any qualifier).
constexpr bool IsNoMedium(const Sense& s) {
  return KeyAndAsc(s, key::kNotReady, asc::kMediumNotPresent);
}

// The drive is not ready yet: NOT READY, LOGICAL UNIT NOT READY (any qualifier; 04/01 is
// the drive spinning up).
constexpr bool IsBecomingReady(const Sense& s) {
  return KeyAndAsc(s, key::kNotReady, asc::kBecomingReady);
}

// A unit attention that only reports an event the command may simply be sent again after:
// the medium may have changed, or power-on / reset.
constexpr bool IsRetryableUnitAttention(const Sense& s) {
  return KeyAndAsc(s, key::kUnitAttention, asc::kMediumMayHaveChanged) ||
         KeyAndAsc(s, key::kUnitAttention, asc::kPowerOnOrReset);
}

// ABORTED COMMAND with no additional sense code (the qualifier is not looked at).
constexpr bool IsAbortedWithoutAsc(const Sense& s) {
  return s.key == key::kAbortedCommand && s.asc == 0x00;
}

}  // namespace scsi
