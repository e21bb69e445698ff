#include "scsi/DiscStructure.h"

namespace scsi {
namespace {

std::uint32_t Be24(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

}  // namespace

std::optional<DvdLayers> ParsePhysicalFormat(const std::uint8_t* reply, std::size_t length) {
  if (reply == nullptr || length < kPhysicalFormatLength) return std::nullopt;
  DvdLayers d;
  d.layers = ((reply[6] >> 5) & 0x03) + 1;
  d.trackPath = (reply[6] & 0x10) != 0 ? TrackPath::Opposite : TrackPath::Parallel;
  d.startSector = Be24(reply + 9);
  d.endSector = Be24(reply + 13);
  d.layer0EndSector = Be24(reply + 17);
  if (d.layers > 1) {
    const std::uint32_t layer0End =
        d.trackPath == TrackPath::Opposite ? d.layer0EndSector : d.endSector;
    if (layer0End >= d.startSector) d.layerBreak = std::int64_t{layer0End} - d.startSector + 1;
  }
  return d;
}

}  // namespace scsi
