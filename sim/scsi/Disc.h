// A disc in a simulated drive: its tracks (Mode 1 data or CD-DA audio), its lead-out and
// the table of contents derived from them. A blank disc has no tracks and no TOC.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

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

 private:
  std::vector<Track> tracks_;
  std::int32_t leadOut_ = 0;
};

}  // namespace sim
