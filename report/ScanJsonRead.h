// Reads back what ScanJson wrote: the drive, the disc, the date and the scan record, for a
// window that shows a saved scan. Any text is taken: what is not a saved scan is refused
// with the reason, never half-read.
#pragma once

#include <string>

#include "report/DriveRecord.h"
#include "report/ScanRecord.h"

namespace report {

struct SavedScan {
  DriveRecord drive;
  DiscRecord disc;
  std::string date;  // as written ("2026-12-08T07:15:37Z")
  ScanRecord record;
};

// True with `scan` filled; false with `error` saying why the text is not a saved scan: not
// JSON, a record of another kind (a speed test), a newer record format than this program
// reads, or a value missing or of the wrong type. The disc's medium and a surface scan's
// counts and runs are read too.
bool ReadScanJson(const std::string& text, SavedScan& scan, std::string& error);

}  // namespace report
