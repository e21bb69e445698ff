// The transfer-rate curve of a scan as a graph: speed (x) on the left axis and the
// rotation speed (rpm) on the right one against the position on the disc, the strategy,
// its change-over or zone starts as markers, the drive and the disc in the title. The
// window draws it live and the plot writer puts it into a picture, so both look the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "report/ScanRecord.h"
#include "toolkit/TGraph.h"

namespace report::plot {

// Where a sample sits on the x axis.
enum class PositionAxis {
  DiscTime,  // the disc's own measure: minutes on a CD (75 blocks a second), GB on a DVD or BD
  Lba,       // the block address
};

// Names of what was measured, for the title, and the disc's own measure.
struct PlotHead {
  std::string drive;  // the drive's inquiry text
  std::string disc;   // what the disc holds, e.g. "data disc, 79:57"
  bool cd = true;     // a CD: positions in minutes; else (DVD, BD) in GB of user data
  std::optional<std::int64_t> layerBreak = std::nullopt;  // the first block of layer 1
  bool oppositePath = false;  // layer 1 runs from the outside in (the disc map draws it so)
};

// The graph of `curve`. Each sample stands at the middle of its zone; a sample without a
// rotation speed leaves a gap in the rpm line. The x axis spans the scanned range, so a
// curve still being measured grows from left to right.
toolkit::TGraphModel CurveGraph(const CurveResult& curve, const PlotHead& head,
                                PositionAxis axis = PositionAxis::DiscTime);

// "mm:ss" of a block address at 75 blocks a second (minutes are not wrapped).
std::string DiscTimeText(std::int64_t lba);
// Where `lba` lies in the disc's own measure: a CD's "mm:ss", a DVD's or BD's "2.35 GB".
std::string DiscPositionText(std::int64_t lba, bool cd);

}  // namespace report::plot
