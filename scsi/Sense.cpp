#include "scsi/Sense.h"

#include <algorithm>
#include <cstring>

namespace scsi {
namespace {

// Byte `at`, or zero past the end.
std::uint8_t At(const std::uint8_t* data, std::size_t length, std::size_t at) {
  return at < length ? data[at] : 0;
}

std::uint64_t BigEndian(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

void PutBigEndian(std::uint8_t* out, std::size_t count, std::uint64_t value) {
  for (std::size_t i = count; i-- > 0; value >>= 8) out[i] = static_cast<std::uint8_t>(value);
}

constexpr std::uint8_t kInformationDescriptor = 0x00;  // descriptor type
constexpr std::uint8_t kDescriptorValid = 0x80;        // information descriptor byte 2

void ParseFixed(const std::uint8_t* data, std::size_t length, ParsedSense& parsed) {
  parsed.sense.key = At(data, length, 2) & key::kMask;
  parsed.sense.asc = At(data, length, 12);
  parsed.sense.ascq = At(data, length, 13);
  if ((data[0] & kFixedValid) != 0 && length >= 7) parsed.information = BigEndian(data + 3, 4);
}

void ParseDescriptor(const std::uint8_t* data, std::size_t length, ParsedSense& parsed) {
  parsed.sense.key = At(data, length, 1) & key::kMask;
  parsed.sense.asc = At(data, length, 2);
  parsed.sense.ascq = At(data, length, 3);
  // The descriptors follow the header, as many as the additional length announces and the
  // data holds.
  const std::size_t end =
      std::min(length, kDescriptorHeaderLength + std::size_t{At(data, length, 7)});
  std::size_t at = kDescriptorHeaderLength;
  while (at + 2 <= end) {
    const std::size_t size = 2 + std::size_t{data[at + 1]};
    if (at + size > end) break;
    if (data[at] == kInformationDescriptor && size >= kInformationDescriptorLength &&
        (data[at + 2] & kDescriptorValid) != 0) {
      parsed.information = BigEndian(data + at + 4, 8);
    }
    at += size;
  }
}

}  // namespace

ParsedSense ParseSense(const std::uint8_t* data, std::size_t length) {
  ParsedSense parsed;
  if (data == nullptr || length == 0) return parsed;
  switch (data[0] & kResponseCodeMask) {
    case kFixedCurrent:
    case kFixedDeferred:
      parsed.format = SenseFormat::Fixed;
      ParseFixed(data, length, parsed);
      break;
    case kDescriptorCurrent:
    case kDescriptorDeferred:
      parsed.format = SenseFormat::Descriptor;
      ParseDescriptor(data, length, parsed);
      break;
    default:
      return parsed;
  }
  const std::uint8_t code = data[0] & kResponseCodeMask;
  parsed.deferred = code == kFixedDeferred || code == kDescriptorDeferred;
  return parsed;
}

std::size_t BuildSense(std::uint8_t* out, std::size_t capacity, const Sense& sense,
                       SenseFormat format, std::optional<std::uint64_t> information) {
  if (out == nullptr) return 0;
  if (format == SenseFormat::Fixed) {
    // The fixed format's information field holds four bytes.
    if (capacity < kFixedSenseLength || (information && *information > 0xFFFFFFFFu)) return 0;
    std::memset(out, 0, kFixedSenseLength);
    out[0] = kFixedCurrent;
    out[2] = sense.key & key::kMask;
    out[7] = kFixedSenseLength - 8;  // additional sense length: bytes 8-17
    out[12] = sense.asc;
    out[13] = sense.ascq;
    if (information) {
      out[0] |= kFixedValid;
      PutBigEndian(out + 3, 4, *information);
    }
    return kFixedSenseLength;
  }
  if (format == SenseFormat::Descriptor) {
    const std::size_t length =
        kDescriptorHeaderLength + (information ? kInformationDescriptorLength : 0);
    if (capacity < length) return 0;
    std::memset(out, 0, length);
    out[0] = kDescriptorCurrent;
    out[1] = sense.key & key::kMask;
    out[2] = sense.asc;
    out[3] = sense.ascq;
    out[7] = static_cast<std::uint8_t>(length - kDescriptorHeaderLength);
    if (information) {
      std::uint8_t* d = out + kDescriptorHeaderLength;
      d[0] = kInformationDescriptor;
      d[1] = kInformationDescriptorLength - 2;
      d[2] = kDescriptorValid;
      PutBigEndian(d + 4, 8, *information);
    }
    return length;
  }
  return 0;
}

}  // namespace scsi
