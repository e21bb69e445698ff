// SET STREAMING (MMC): a type-0 parameter list is one performance descriptor asking the drive
// to deliver `read size` kB every `read time` ms over [start LBA, end LBA]. Multi-byte fields
// are big-endian. GET CONFIGURATION's feature 0107h (real-time streaming), current, says the
// drive takes it for the disc it holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace scsi {

inline constexpr std::uint16_t kRealTimeStreamingFeature = 0x0107;
inline constexpr std::uint8_t kPerformanceDescriptorType = 0x00;  // CDB byte 8

#pragma pack(push, 1)
struct PerformanceDescriptor {
  std::uint8_t flags;  // WRC bits 4-3, RDD bit 2, Exact bit 1, RA bit 0
  std::uint8_t reserved[3];
  std::uint8_t startLba[4];
  std::uint8_t endLba[4];
  std::uint8_t readSize[4];  // kB (1,000 bytes)
  std::uint8_t readTime[4];  // ms
  std::uint8_t writeSize[4];
  std::uint8_t writeTime[4];
};
#pragma pack(pop)

static_assert(sizeof(PerformanceDescriptor) == 28);
static_assert(offsetof(PerformanceDescriptor, startLba) == 4);
static_assert(offsetof(PerformanceDescriptor, endLba) == 8);
static_assert(offsetof(PerformanceDescriptor, readSize) == 12);
static_assert(offsetof(PerformanceDescriptor, readTime) == 16);
static_assert(offsetof(PerformanceDescriptor, writeSize) == 20);
static_assert(offsetof(PerformanceDescriptor, writeTime) == 24);

inline void PutStreamingField(std::uint8_t (&field)[4], std::uint32_t v) {
  field[0] = static_cast<std::uint8_t>(v >> 24);
  field[1] = static_cast<std::uint8_t>(v >> 16);
  field[2] = static_cast<std::uint8_t>(v >> 8);
  field[3] = static_cast<std::uint8_t>(v);
}

inline std::uint32_t StreamingField(const std::uint8_t (&field)[4]) {
  return std::uint32_t{field[0]} << 24 | std::uint32_t{field[1]} << 16 |
         std::uint32_t{field[2]} << 8 | field[3];
}

// Reading and writing at `kiloBytesPerSecond` over LBA 0 to `endLba`, each a second's worth
// over 1,000 ms: RDD 0 (keep the drive's defect handling), Exact 0 (the drive may round the
// speed to one it has), RA 0.
inline PerformanceDescriptor SteadyPerformance(std::uint32_t endLba,
                                               std::uint32_t kiloBytesPerSecond) {
  PerformanceDescriptor d{};
  PutStreamingField(d.endLba, endLba);
  PutStreamingField(d.readSize, kiloBytesPerSecond);
  PutStreamingField(d.readTime, 1000);
  PutStreamingField(d.writeSize, kiloBytesPerSecond);
  PutStreamingField(d.writeTime, 1000);
  return d;
}

// Whether a GET CONFIGURATION reply of `length` bytes holds `feature`'s descriptor, current,
// as its first (the reply to a request for that one feature).
inline bool FeatureCurrent(const std::uint8_t* reply, std::size_t length, std::uint16_t feature) {
  if (length < 12) return false;
  const std::uint32_t data = std::uint32_t{reply[0]} << 24 | std::uint32_t{reply[1]} << 16 |
                             std::uint32_t{reply[2]} << 8 | reply[3];
  if (data + 4 < 12) return false;  // the header alone: the drive has no such feature
  const auto code = static_cast<std::uint16_t>(reply[8] << 8 | reply[9]);
  return code == feature && (reply[10] & 0x01) != 0;
}

}  // namespace scsi
