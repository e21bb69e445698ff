// Where a dual-layer disc's layer 1 starts, found from its transfer-rate curve when the drive
// does not say (a BD's): layer 1 of the opposite track path runs back inwards, so a drive
// turning the disc at one rate reads ever faster up to the break and ever slower after it —
// the speed's turn. The break is the LBA that makes one rotation speed explain every sample
// on the spiral folded there; the layer change's pause falls in the sample holding it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "report/ScanRecord.h"
#include "scan/DiscGeometry.h"

namespace scan {

struct FoundLayerBreak {
  std::int64_t lba = 0;          // the first LBA of layer 1
  std::int64_t pauseSample = 0;  // the sample holding it (and the layer change's pause)
  bool pauseSeen = false;        // that sample is slower than its neighbours
};

class LayerBreakSearch {
 public:
  // The break in the curve `samples` (in order) of a disc of `spiral`, or nothing when the
  // speed does not turn or no one rotation speed explains the curve folded at the turn.
  static std::optional<FoundLayerBreak> Find(const std::vector<report::ScanSample>& samples,
                                             const Spiral& spiral, double tolerance);
};

}  // namespace scan
