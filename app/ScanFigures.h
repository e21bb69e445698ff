// The scan window's figures as lines of text: the strategy and what goes with it, the
// speeds at both ends, access and spin-up times, the surface's counts, what the drive
// refused.
#pragma once

#include <string>
#include <vector>

#include "report/ScanRecord.h"
#include "report/plot/CurveGraph.h"
#include "session/DriveSession.h"

// "359775 blocks (79:57:00)": a length in blocks with its minutes, seconds and frames.
std::string BlocksWithTimeText(std::int64_t blocks);

// The disc as the scan names it: a CD's blocks and playing time, after the medium's name
// when the drive named it; a DVD's or BD's blocks, gigabytes (10^9 bytes) and layers:
// "DVD-ROM, 2298496 blocks (4.71 GB), 1 layer".
std::string MediumDiscText(std::int64_t blocks, const session::Medium& medium);

// The curve's picture in the medium's own measure, with its layer break.
void SetPlotMedium(report::plot::PlotHead& head, const session::Medium& medium);

// "1 sample", "2 samples": a count with its noun in the right form.
std::string CountText(std::size_t count, const char* one, const char* many);

// One line per figure present in `record`, in the order the window shows them. The read
// mode is the one the curve was read in; when that is not `askedMode` ("data", "raw";
// empty: not known) the line says why.
std::vector<std::string> ScanFigureLines(const report::ScanRecord& record,
                                         const std::string& askedMode = {});
