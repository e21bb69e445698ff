// The scan window's figures as lines of text: the strategy and what goes with it, the
// speeds at both ends, access and spin-up times, what the drive refused.
#pragma once

#include <string>
#include <vector>

#include "report/ScanRecord.h"

// "359775 blocks (79:57:00)": a length in blocks with its minutes, seconds and frames.
std::string BlocksWithTimeText(std::int64_t blocks);

// "1 sample", "2 samples": a count with its noun in the right form.
std::string CountText(std::size_t count, const char* one, const char* many);

// One line per figure present in `record`, in the order the window shows them. The read
// mode is the one the curve was read in; when that is not `askedMode` ("data", "raw";
// empty: not known) the line says why.
std::vector<std::string> ScanFigureLines(const report::ScanRecord& record,
                                         const std::string& askedMode = {});
