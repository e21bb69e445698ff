#include "scan/AudioAlign.h"

#include <algorithm>
#include <cstring>

namespace scan {

Alignment Align(const std::vector<std::uint32_t>& reference, std::int64_t at,
                const std::vector<std::uint32_t>& read, std::int64_t window) {
  Alignment best;
  const auto referenceSize = static_cast<std::int64_t>(reference.size());
  const auto readSize = static_cast<std::int64_t>(read.size());
  bool found = false;
  for (std::int64_t step = 0; step <= 2 * window; ++step) {
    // 0, -1, +1, -2, +2 ...: among equal shares the smaller shift is kept.
    const std::int64_t shift = step % 2 == 0 ? -(step / 2) : (step + 1) / 2;
    if (shift > window || shift < -window) continue;
    const std::int64_t from = std::max<std::int64_t>(0, -(at + shift));
    const std::int64_t to = std::min(readSize, referenceSize - (at + shift));
    if (to - from <= 0 || 2 * (to - from) < readSize) continue;
    std::int64_t equal = 0;
    const std::uint32_t* r = reference.data() + at + shift;
    for (std::int64_t i = from; i < to; ++i) equal += read[i] == r[i];
    const double share = static_cast<double>(equal) / static_cast<double>(to - from);
    if (!found || share > best.share) {
      if (found) best.runnerUp = std::max(best.runnerUp, best.share);
      best.shift = shift;
      best.compared = to - from;
      best.share = share;
      found = true;
    } else {
      best.runnerUp = std::max(best.runnerUp, share);
    }
  }
  return best;
}

std::vector<std::uint32_t> SamplesOf(const std::uint8_t* bytes, std::size_t length) {
  std::vector<std::uint32_t> samples(length / 4);
  if (!samples.empty()) std::memcpy(samples.data(), bytes, samples.size() * 4);
  return samples;
}

}  // namespace scan
