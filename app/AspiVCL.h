// The drive-access object of the window: the drive operations of the chain joined with the
// report sink, and the window's wording of drive data — sense triples, MSF times, command
// errors and the rows of the drive list. The program holds exactly one of it.
#pragma once

#include <string>

#include "diag/VCLDisplay.h"
#include "drive/AspiTools.h"
#include "drive/FileMMCSeq.h"
#include "platform/win32.h"
#include "session/DriveSession.h"
#include "transport/DeviceEntry.h"
#include "transport/SenseResult.h"

namespace toolkit {
class TComboBox;
}

// How a row of the drive list is composed (the window uses 5).
using RowKind = int;
inline constexpr RowKind kWindowRowKind = 5;

class AspiVCL : public virtual VCLDisplay, public virtual FileMMCSeq {
 public:
  AspiVCL();
  ~AspiVCL();
  AspiVCL(const AspiVCL&) = delete;
  AspiVCL& operator=(const AspiVCL&) = delete;

  // "%02X/%02X/%02X" of sense key, ASC and ASCQ.
  static std::string SenseText(const SenseResult& sense);
  // "%02u:%02u:%02u" of minutes, seconds and frames.
  static std::string MSFText(const MSF& msf);
  // "0x" and two upper-case hexadecimal digits.
  static std::string HexByteText(BYTE value);
  // The sense triple and the completion status: "02/3E/00  (Aspi reported : 0x04)".
  static std::string CommandErrorText(const SenseResult& sense, BYTE status);
  // What the window says of a drive's readiness: "" when ready, else "No CD Present", "In
  // Progress of becoming ready", "Drive stopped responding" or the command's error.
  static std::string ReadinessText(session::Readiness readiness, const SenseResult& sense,
                                   BYTE status);
  // Vendor (8 bytes), two spaces, product (16 bytes); ends at a zero byte in either.
  std::string InquiryText(const DeviceEntry& entry);
  // The drive-list row of `entry` composed as `kind` says; kinds outside 0 to 6 are 5.
  std::string DeviceRowText(const DeviceEntry& entry, RowKind kind);
  // Appends one row per valid entry of `table` (entry 0 carries the count; at most the
  // table's rows) to the combo box's items. Nothing when no combo box is given.
  void FillDeviceList(toolkit::TComboBox* comboBox, const DeviceEntry* table, RowKind kind);
  // The number of valid rows of a device table, bounded by its size.
  static int ValidRows(const DeviceEntry* table);
};
