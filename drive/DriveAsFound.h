// What a measurement changes on a drive, put back when the measurement ends. A drive left
// at 2352-byte blocks hands wrong data to every other reader of its disc, so the speed test
// and the scan set the block length through this object, and the length that was in force
// before them goes back on every way out: done, aborted, a failed command, an exception.
//
// SetBlockLength itself restores nothing: its answer, the length found before the change,
// is what is put back. A drive that stopped answering is not asked again.
#pragma once

#include <optional>

#include "drive/FileMMCSeq.h"

class DriveAsFound {
 public:
  DriveAsFound(FileMMCSeq& drive, DeviceEntry& device) : drive_(drive), device_(device) {}
  ~DriveAsFound() { Restore(); }
  DriveAsFound(const DriveAsFound&) = delete;
  DriveAsFound& operator=(const DriveAsFound&) = delete;

  // The chain's SetBlockLength; the first answer is kept as the length to put back.
  WORD SetBlockLength(WORD wanted, SenseResult* sense);

  // Puts the drive back as it was found, when anything was changed. Safe to call again.
  void Restore();

  // The block length found before the first change, once one was asked for.
  std::optional<WORD> FoundBlockLength() const { return found_; }

 private:
  FileMMCSeq& drive_;
  DeviceEntry& device_;
  std::optional<WORD> found_;
  WORD asked_ = 0;
};
