// The inner state of a SimDrive and the context one command is executed in. Shared by the
// drive's dispatch (SimDrive.cpp) and its command handlers (SimDriveCommands.cpp,
// SimDriveModePages.cpp, SimDriveReads.cpp).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>

#include "scsi/SenseCodes.h"
#include "sim/scsi/Disc.h"
#include "sim/scsi/DriveFaults.h"
#include "sim/scsi/DriveTiming.h"
#include "sim/scsi/DriveTimingHead.h"
#include "sim/scsi/ScsiTarget.h"
#include "sim/scsi/SimDriveConfig.h"

namespace sim {

// Page 01h's read retry count at power-on.
inline constexpr std::uint8_t kDefaultReadRetryCount = 0x10;

struct SimDriveState {
  explicit SimDriveState(const DriveTimingModel* model) : head(model) {}

  std::optional<Disc> disc;
  bool readyAtNextCommand = false;               // the spin-up starts with the next command's clock
  std::uint64_t readyAtMicros = 0;               // becoming ready until then
  std::deque<scsi::SenseCode> pendingAttention;  // unit attentions to report (29h, 28h)
  std::uint16_t blockLength = 2048;
  double chosenSpeed = 1.0;                              // x, from SET CD SPEED
  std::uint8_t readRetryCount = kDefaultReadRetryCount;  // page 01h byte 3
  bool stopped = false;  // START STOP UNIT stopped the disc: the next access spins it up
  FirmwareQuirks quirks;
  DriveFaults faults;
  bool vanished = false;
  bool hung = false;
  DriveTimingHead head;
  std::map<std::int32_t, int> damagedReads;  // reads from the disc of each damaged sector
  scsi::Sense lastSense;                     // of the last command that failed
  std::uint64_t lastServiceMicros = 0;
};

// One command being executed: its CDB, where the reply goes, and what it answers.
struct SimDriveCommand {
  SimDriveCommand(const ScsiRequest& r, const std::uint8_t* block, SimDriveState& s,
                  const SimDriveConfig& cfg, const DriveTimingModel& m)
      : request(r), cdb(block), state(s), config(cfg), model(m) {}

  const ScsiRequest& request;
  const std::uint8_t* cdb;  // 16 bytes
  SimDriveState& state;
  const SimDriveConfig& config;
  const DriveTimingModel& model;
  std::uint8_t* out = nullptr;  // data-in area (null in a dry run: nothing is written)
  std::uint32_t outCapacity = 0;
  const std::uint8_t* in = nullptr;  // data-out area
  std::uint32_t inLength = 0;
  ScsiReply reply;
  double serviceMicros = 0.0;  // the whole service time; dispatch starts it at the overhead

  // CHECK CONDITION with fixed-format sense data.
  void Fail(std::uint8_t key, scsi::SenseCode code);
  // The same with the VALID bit and the information field set to `lba`.
  void FailAt(std::uint8_t key, scsi::SenseCode code, std::int32_t lba);
  // GOOD, handing `bytes` of reply data to the host, at most `allocation` of them and at
  // most what the transfer area holds.
  void Deliver(const std::uint8_t* bytes, std::uint32_t length, std::uint32_t allocation);
  // Bytes of the data-in area that may be written, for replies built in place.
  std::uint32_t Room(std::uint32_t allocation) const;
};

// The speed of each track of the disc in the drive, under the chosen speed.
SpeedSegments SpeedsOf(const SimDriveState& state, const DriveTimingModel& model);

// Big-endian helpers for CDBs and replies.
inline std::uint32_t Be16(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 8 | p[1];
}
inline std::uint32_t Be24(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 16 | Be16(p + 1);
}
inline std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | Be24(p + 1);
}
inline void PutBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 8);
  p[1] = std::uint8_t(v);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
  PutBe16(p, v >> 16);
  PutBe16(p + 2, v);
}

}  // namespace sim
