// A disc in a simulated drive: its tracks (Mode 1 data or CD-DA audio), its lead-out and
// the table of contents derived from them, and its medium: the profile GET CONFIGURATION
// names (a pressed CD unless made as a DVD or BD) and, on a DVD, its layers as its physical
// format gives them. A blank disc has no tracks and no TOC.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "scsi/Profiles.h"

namespace sim {

enum class TrackKind { Data, Audio };  // Data: Mode 1 sectors

struct Track {
  std::uint8_t number = 1;
  TrackKind kind = TrackKind::Data;
  std::int32_t startLba = 0;
  std::int32_t blocks = 0;
};

class Disc {
 public:
  // The longest disc the model holds: 99 minutes of blocks.
  static constexpr std::int32_t kMaxBlocks = 99 * 60 * 75;
  static constexpr std::int32_t Blocks(int minutes, int seconds, int frames = 0) {
    return (minutes * 60 + seconds) * 75 + frames;
  }

  // One Mode 1 data track of `blocks` blocks (default 79:57).
  static Disc Data(std::int32_t blocks = Blocks(79, 57));
  // CD-DA tracks of the given lengths, in order.
  static Disc Audio(const std::vector<std::int32_t>& trackBlocks);
  // Mixed mode: data track 1, then audio tracks.
  static Disc Mixed(std::int32_t dataBlocks, const std::vector<std::int32_t>& audioTrackBlocks);
  // A blank disc: no tracks, no TOC, nothing readable.
  static Disc Blank();
  // Any layout: tracks follow each other from LBA 0 in the given order. Lengths are kept
  // positive, at most 99 tracks, and the disc is cut at kMaxBlocks.
  static Disc FromTracks(const std::vector<std::pair<TrackKind, std::int32_t>>& tracks);
  // A single-layer DVD-ROM of `blocks` 2048-byte blocks.
  static Disc DvdRom(std::int32_t blocks);
  // A dual-layer DVD-ROM: layer 0 holds LBAs [0, layer0Blocks), layer 1 the rest. On the
  // opposite track path layer 1 runs back from where layer 0 ends; on the parallel one it
  // runs outwards again and holds as many blocks as layer 0.
  static Disc DualLayerDvdRom(std::int32_t layer0Blocks, std::int32_t layer1Blocks, bool opposite);
  // A single-layer BD-ROM of `blocks` blocks.
  static Disc BdRom(std::int32_t blocks);
  // A dual-layer BD-ROM: layer 1 runs back inwards from where layer 0 ends (a BD's layers
  // always take the opposite track path) and holds at most as many blocks.
  static Disc DualLayerBdRom(std::int32_t layer0Blocks, std::int32_t layer1Blocks);

  bool IsBlank() const { return tracks_.empty(); }
  // First LBA past the recorded area (0 on a blank disc).
  std::int32_t LeadOut() const { return leadOut_; }
  const std::vector<Track>& Tracks() const { return tracks_; }
  std::uint8_t FirstTrack() const { return tracks_.empty() ? 0 : tracks_.front().number; }
  std::uint8_t LastTrack() const { return tracks_.empty() ? 0 : tracks_.back().number; }
  // The track holding `lba`, or null outside the recorded area.
  const Track* TrackOf(std::int32_t lba) const;
  // The track with `number`, or null.
  const Track* TrackNumbered(std::uint8_t number) const;
  // The kind of the block at `lba`; only meaningful inside the recorded area.
  TrackKind KindAt(std::int32_t lba) const;

  std::uint16_t Profile() const { return profile_; }  // the current profile it makes
  scsi::MediumFamily Family() const { return scsi::FamilyOf(profile_); }
  int Layers() const { return layers_; }
  bool OppositeTrackPath() const { return opposite_; }
  // The first LBA of layer 1 (0 on one layer).
  std::int32_t LayerBreak() const { return layers_ > 1 ? layer0Blocks_ : 0; }

 private:
  // One data track of `blocks` on a medium of `profile`.
  static Disc OneDataTrack(std::uint16_t profile, std::int32_t blocks);

  std::vector<Track> tracks_;
  std::int32_t leadOut_ = 0;
  std::uint16_t profile_ = 0x0008;  // CD-ROM
  int layers_ = 1;
  bool opposite_ = false;
  std::int32_t layer0Blocks_ = 0;
};

}  // namespace sim
