// Where one read's samples lie in another's: the shift at which most of them are equal.
// Samples are stereo 16-bit frames, compared whole.
#pragma once

#include <cstdint>
#include <vector>

namespace scan {

inline constexpr std::int64_t kSectorSamples = 588;

struct Alignment {
  std::int64_t shift = 0;     // read[i] equals reference[at + i + shift]
  std::int64_t compared = 0;  // samples compared at that shift
  double share = 0.0;         // of them equal; 0 when nothing could be compared
  double runnerUp = 0.0;      // the best share at any other shift
};

// The shift in [-window, window] whose overlap of `read` with `reference` from `at` has the
// largest share of equal samples (the smallest shift among equals). Shifts whose overlap is
// less than half of `read` are not considered.
Alignment Align(const std::vector<std::uint32_t>& reference, std::int64_t at,
                const std::vector<std::uint32_t>& read, std::int64_t window);

// The samples of `bytes` of CD-DA (4 bytes a sample).
std::vector<std::uint32_t> SamplesOf(const std::uint8_t* bytes, std::size_t length);

}  // namespace scan
