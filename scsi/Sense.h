// Sense data: one parser for the fixed (70h/71h) and descriptor (72h/73h) formats, and one
// builder for both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "scsi/SenseCodes.h"

namespace scsi {

enum class SenseFormat { None, Fixed, Descriptor };

// Response codes (byte 0, bits 0-6).
inline constexpr std::uint8_t kFixedCurrent = 0x70;
inline constexpr std::uint8_t kFixedDeferred = 0x71;
inline constexpr std::uint8_t kDescriptorCurrent = 0x72;
inline constexpr std::uint8_t kDescriptorDeferred = 0x73;
inline constexpr std::uint8_t kResponseCodeMask = 0x7F;
inline constexpr std::uint8_t kFixedValid = 0x80;  // fixed format: the information field is valid

inline constexpr std::size_t kFixedSenseLength = 18;       // up to the sense-key specific bytes
inline constexpr std::size_t kDescriptorHeaderLength = 8;  // header without descriptors
inline constexpr std::size_t kInformationDescriptorLength = 12;

struct ParsedSense {
  SenseFormat format = SenseFormat::None;    // None: empty or an unknown response code
  bool deferred = false;                     // 71h/73h: about an earlier command
  Sense sense;                               // zeros where the data stops short
  std::optional<std::uint64_t> information;  // the information field, when marked valid
};

// Reads `length` bytes of sense data. Fields beyond `length` read as zero; a response code
// that is neither format gives format None and zeros.
ParsedSense ParseSense(const std::uint8_t* data, std::size_t length);

// Writes current-error sense data in `format` (Fixed or Descriptor), with the information
// field (the block address of a medium error) when given. Returns the bytes written, or 0
// when `capacity` is too small (nothing is written then).
std::size_t BuildSense(std::uint8_t* out, std::size_t capacity, const Sense& sense,
                       SenseFormat format = SenseFormat::Fixed,
                       std::optional<std::uint64_t> information = std::nullopt);

}  // namespace scsi
