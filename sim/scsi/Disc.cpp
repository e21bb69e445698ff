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
