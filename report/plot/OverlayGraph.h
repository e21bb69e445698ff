// Saved scans of one medium overlaid: each record's speed curve (its transfer-rate curve,
// or the speeds its surface scan read) in a colour of its own against the position on the
// disc, with a note per record naming its drive, strategy and speeds.
#pragma once

#include <string>
#include <vector>

#include "report/CompareTable.h"
#include "toolkit/TGraph.h"

namespace report::plot {

// The graph of `records`, all of one medium (`cd`: positions in minutes, else in GB).
toolkit::TGraphModel OverlayGraph(const std::vector<ComparedRecord>& records, bool cd);

}  // namespace report::plot
