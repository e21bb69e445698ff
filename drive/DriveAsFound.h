// What a measurement changes on a drive, put back when the measurement ends. A drive left
// at 2352-byte blocks hands wrong data to every other reader of its disc, so the speed test
// and the scan set the block length through this object, and the length that was in force
// before them goes back on every way out: done, aborted, a failed command, an exception.
// The same holds for the read retry count of page 01h, which the surface scan lowers: the
// page as it was found goes back, once.
//
// SetBlockLength itself restores nothing: its answer, the length found before the change,
// is what is put back. A drive that stopped answering is not asked again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drive/FileMMCSeq.h"

class DriveAsFound {
 public:
  DriveAsFound(FileMMCSeq& drive, DeviceEntry& device) : drive_(drive), device_(device) {}
  ~DriveAsFound() { Restore(); }
  DriveAsFound(const DriveAsFound&) = delete;
  DriveAsFound& operator=(const DriveAsFound&) = delete;

  // The chain's SetBlockLength; the first answer is kept as the length to put back.
  WORD SetBlockLength(WORD wanted, SenseResult* sense);

  // Sets page 01h's read retry count to `wanted` where the page's changeable values (MODE
  // SENSE with page control 01b) allow it, keeping the page as found for Restore. The count
  // in force afterwards; nothing, with the reason in `why`, when it was not changed.
  std::optional<int> SetReadRetryCount(BYTE wanted, SenseResult* sense, std::string& why);

  // Puts the drive back as it was found, when anything was changed. Safe to call again.
  void Restore();

  // The block length found before the first change, once one was asked for.
  std::optional<WORD> FoundBlockLength() const { return found_; }

 private:
  FileMMCSeq& drive_;
  DeviceEntry& device_;
  // Page 01h (from its code byte) as found, while a changed retry count is in force.
  void RestoreErrorRecoveryPage(const std::vector<BYTE>& page);

  std::optional<WORD> found_;
  WORD asked_ = 0;
  std::optional<std::vector<BYTE>> foundErrorRecovery_;
};
