#include "sim/scsi/Disc.h"

#include <algorithm>

namespace sim {

Disc Disc::Data(std::int32_t blocks) {
  return FromTracks({{TrackKind::Data, blocks}});
}

Disc Disc::Audio(const std::vector<std::int32_t>& trackBlocks) {
  std::vector<std::pair<TrackKind, std::int32_t>> tracks;
  for (std::int32_t blocks : trackBlocks) tracks.emplace_back(TrackKind::Audio, blocks);
  return FromTracks(tracks);
}

Disc Disc::Mixed(std::int32_t dataBlocks, const std::vector<std::int32_t>& audioTrackBlocks) {
  std::vector<std::pair<TrackKind, std::int32_t>> tracks{{TrackKind::Data, dataBlocks}};
  for (std::int32_t blocks : audioTrackBlocks) tracks.emplace_back(TrackKind::Audio, blocks);
  return FromTracks(tracks);
}

Disc Disc::Blank() {
  return Disc{};
}

Disc Disc::FromTracks(const std::vector<std::pair<TrackKind, std::int32_t>>& tracks) {
  Disc disc;
  std::int32_t next = 0;
  for (const auto& [kind, length] : tracks) {
    if (disc.tracks_.size() == 99 || next >= kMaxBlocks) break;
    const std::int32_t blocks = std::min(std::max(length, 1), kMaxBlocks - next);
    Track track;
    track.number = static_cast<std::uint8_t>(disc.tracks_.size() + 1);
    track.kind = kind;
    track.startLba = next;
    track.blocks = blocks;
    disc.tracks_.push_back(track);
    next += blocks;
  }
  disc.leadOut_ = next;
  return disc;
}

Disc Disc::OneDataTrack(std::uint16_t profile, std::int32_t blocks) {
  Disc disc;
  Track track;
  track.blocks = std::max(blocks, 1);
  disc.tracks_.push_back(track);
  disc.leadOut_ = track.blocks;
  disc.profile_ = profile;
  disc.layer0Blocks_ = track.blocks;
  return disc;
}

Disc Disc::DvdRom(std::int32_t blocks) {
  return OneDataTrack(0x0010, blocks);
}

Disc Disc::DualLayerDvdRom(std::int32_t layer0Blocks, std::int32_t layer1Blocks, bool opposite) {
  layer0Blocks = std::max(layer0Blocks, 1);
  // Parallel layers are alike; an opposite layer 1 ends at the latest where layer 0 starts.
  layer1Blocks = opposite ? std::min(layer1Blocks, layer0Blocks) : layer0Blocks;
  Disc disc = OneDataTrack(0x0010, layer0Blocks + std::max(layer1Blocks, 1));
  disc.layers_ = 2;
  disc.opposite_ = opposite;
  disc.layer0Blocks_ = layer0Blocks;
  return disc;
}

Disc Disc::BdRom(std::int32_t blocks) {
  return OneDataTrack(0x0040, blocks);
}

Disc Disc::DualLayerBdRom(std::int32_t layer0Blocks, std::int32_t layer1Blocks) {
  Disc disc = DualLayerDvdRom(layer0Blocks, layer1Blocks, true);
  disc.profile_ = 0x0040;
  return disc;
}

const Track* Disc::TrackOf(std::int32_t lba) const {
  if (lba < 0 || lba >= leadOut_) return nullptr;
  auto after = std::upper_bound(tracks_.begin(), tracks_.end(), lba,
                                [](std::int32_t l, const Track& t) { return l < t.startLba; });
  return after == tracks_.begin() ? nullptr : &*(after - 1);
}

const Track* Disc::TrackNumbered(std::uint8_t number) const {
  for (const Track& t : tracks_)
    if (t.number == number) return &t;
  return nullptr;
}

TrackKind Disc::KindAt(std::int32_t lba) const {
  const Track* t = TrackOf(lba);
  return t ? t->kind : TrackKind::Data;
}

}  // namespace sim
