// Saved scans side by side: one column a record, one row a figure (drive, disc, medium,
// date, strategy, start and end speeds, access and spin-up times, surface counts), as text
// with the columns aligned. A figure a record does not hold reads "-".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/ScanJsonRead.h"

namespace report {

struct ComparedRecord {
  std::string name;  // how the column is headed: the file's name
  SavedScan scan;
};

// The curve a record draws: its transfer-rate curve, else its surface scan's speeds as
// samples (their first and last as the start and end speeds); nothing when it holds
// neither.
std::optional<CurveResult> DrawnCurve(const SavedScan& scan);

// The rows of the table, each a figure's name and one cell a record.
std::vector<std::vector<std::string>> CompareRows(const std::vector<ComparedRecord>& records);

// The rows as aligned text, the figure names in the first column.
std::string CompareTableText(const std::vector<ComparedRecord>& records);

}  // namespace report
