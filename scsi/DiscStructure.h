// READ DISC STRUCTURE format 00h on a DVD: the physical format information (ECMA-267), of
// which the layers are read here. Offsets count the reply's 4-byte header: byte 6 holds
// the number of layers less one (bits 6-5) and the track path (bit 4: 0 parallel, 1
// opposite); the data area's starting sector is in bytes 9-11, its end sector in 13-15 and
// layer 0's end sector in 17-19.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace scsi {

inline constexpr std::uint8_t kPhysicalFormat = 0x00;  // READ DISC STRUCTURE format
inline constexpr std::uint8_t kDvdMediaType = 0x00;    // byte 1: DVD (and HD DVD)
// The reply's length up to layer 0's end sector.
inline constexpr std::size_t kPhysicalFormatLength = 20;

enum class TrackPath : std::uint8_t { Parallel, Opposite };

struct DvdLayers {
  int layers = 1;
  TrackPath trackPath = TrackPath::Parallel;
  std::uint32_t startSector = 0;
  std::uint32_t endSector = 0;
  std::uint32_t layer0EndSector = 0;
  // The first LBA of layer 1: on an opposite track path layer 0's end less the start, plus
  // one; on a parallel one the length of one layer's data area. Nothing on a single layer,
  // or when the sectors the disc gives leave no room for layer 0.
  std::optional<std::int64_t> layerBreak;
};

// The layers of a format 00h reply of `length` bytes; nothing when it is too short.
std::optional<DvdLayers> ParsePhysicalFormat(const std::uint8_t* reply, std::size_t length);

}  // namespace scsi
