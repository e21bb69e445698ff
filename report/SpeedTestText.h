// The speed test's record as text. The figure lines are worded exactly as the window's
// report writes them; the full text puts the drive, disc, mode and range before them and
// the reason after them when the run was aborted.
#pragma once

#include <string>
#include <vector>

#include "report/SpeedTestRecord.h"

namespace report {

// One figure line and what it is: a measured figure, a warning about the run, or one of
// the speeds in x.
struct FigureLine {
  enum Kind { Figure, Warning, Speed } kind;
  std::string text;
};

// "Seconds : …" to "Highest Measured (single command) BURST : …", as the window writes
// them after the timed read (with the error and ignore lines); none when there was none.
// The window and the text writer both write these.
std::vector<FigureLine> SpeedTestFigures(const SpeedTestRecord& record);
// Their texts alone.
std::vector<std::string> SpeedTestFigureLines(const SpeedTestRecord& record);

// The whole record, one line each, every line ending in a newline.
std::string SpeedTestText(const SpeedTestRecord& record);

}  // namespace report
