// A simulated MMC optical drive at a SCSI address of the simulated machine.
//
// It answers the commands of its command list (sim/scsi/SimDriveCommandTable.h, one row
// each; SupportedOpcodes() reads them back) through one opcode table whose shared checks
// (vanished drive, BUSY, pending unit attention, aborted command, no medium / becoming
// ready, reply trimmed to the allocation length and to the transfer area) sit in one place.
// Every other opcode fails with 05/20/00. Errors carry fixed-format sense data (18 bytes,
// 70h).
//
// Time: the drive only reports how long each command took (ScsiReply::serviceMicros)
// against the machine's clock it is given (ScsiRequest::nowMicros); the machine advances
// its clock. Given the same requests and clock values the drive answers the same.
//
// The drive states its truth for tests: ExpectedSpeedAt(lba, mode), the expected time and
// average speed of a range read back to back, and the service time of every command
// (LastServiceMicros, ServiceTime for a dry run, and the record of received commands).
//
// Thread safety: every member locks the drive, so a test may insert, eject or set faults
// while the machine's worker thread executes commands.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/scsi/Disc.h"
#include "sim/scsi/DriveFaults.h"
#include "sim/scsi/DriveTiming.h"
#include "sim/scsi/ScsiTarget.h"
#include "sim/scsi/SimDriveConfig.h"

namespace sim {

// One command as the drive received it, with what it answered.
struct ReceivedCommand {
  std::uint8_t cdb[16] = {};
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint32_t dataLength = 0;
  std::vector<std::uint8_t> dataOut;  // the parameter data of a data-out command
  std::uint64_t nowMicros = 0;
  bool responded = true;
  std::uint8_t status = 0;
  std::uint8_t senseKey = 0, asc = 0, ascq = 0;
  std::uint32_t transferred = 0;
  std::uint64_t serviceMicros = 0;
};

struct SimDriveState;  // the drive's inner state (sim/scsi/SimDriveState.h)

class SimDrive : public ScsiTarget {
 public:
  explicit SimDrive(SimDriveConfig config = {});
  ~SimDrive() override;
  SimDrive(const SimDrive&) = delete;
  SimDrive& operator=(const SimDrive&) = delete;

  ScsiReply Execute(const ScsiRequest& request) override;

  // The operation codes the drive answers, ascending: its command list.
  static std::vector<std::uint8_t> SupportedOpcodes();

  // --- medium and readiness ---
  // Inserts a disc (replacing any). The drive reports 06/28/00 once, then 02/04/01 until
  // spinUpMicros after `atMicros` (default: the clock of the next command it receives).
  void InsertDisc(Disc disc, std::optional<std::uint64_t> atMicros = std::nullopt);
  void EjectDisc();
  // Power-on / bus reset: block length and speed back to the power-on values, cache
  // emptied, one 06/29/00 pending.
  void Reset() override;
  bool HasDisc() const;
  std::optional<Disc> CurrentDisc() const;
  bool IsReady(std::uint64_t nowMicros) const;

  // --- faults ---
  void AddMediumError(std::int32_t firstLba, std::int32_t blocks, int recoverAfterTries = -1);
  void SetBusy(std::uint32_t commands);
  void SetAborted(std::uint32_t commands);
  void RemoveDiscAtLba(std::int32_t lba);
  void Vanish();  // no command gets a response from now on
  void VanishAfter(std::uint32_t commands);
  void Hang();  // every command from now on takes DriveFaults::kHangMicros, then no response
  void HangAfter(std::uint32_t commands);
  void SetFaults(DriveFaults faults);
  DriveFaults Faults() const;
  void SetQuirks(FirmwareQuirks quirks);
  FirmwareQuirks Quirks() const;

  // --- state ---
  std::uint16_t BlockLength() const;
  double ChosenSpeed() const;
  std::uint8_t ReadRetryCount() const;  // page 01h byte 3, as the last MODE SELECT left it  // x
                                        // chosen by the last SET CD SPEED (the maximum at first)
  const SimDriveConfig& Config() const { return config_; }

  // --- the truth of the model ---
  // Speed (x) at `lba` for the mode, with the speed chosen by SET CD SPEED in force.
  double ExpectedSpeedAt(std::int32_t lba, SpeedMode mode) const;
  // Expected microseconds to read [startLba, startLba + blocks) in commands of
  // `blocksPerCommand` blocks sent back to back, the head already at startLba (after a
  // SEEK(10) there). The speed mode of each block follows its track.
  double ExpectedReadMicros(std::int32_t startLba, std::uint32_t blocks,
                            std::uint32_t blocksPerCommand) const;
  // The same as an average speed in the medium's x (blocks / seconds / blocks at 1x).
  double ExpectedAverageSpeed(std::int32_t startLba, std::uint32_t blocks,
                              std::uint32_t blocksPerCommand) const;
  // The service time `request` would take now, without changing the drive.
  std::uint64_t ServiceTime(const ScsiRequest& request) const;
  std::uint64_t LastServiceMicros() const;
  const DriveTimingModel& TimingModel() const { return model_; }

  // --- record of received commands ---
  std::vector<ReceivedCommand> Received() const;
  std::size_t ReceivedCount() const;
  void ClearReceived();
  void SetRecording(bool on);  // on by default

 private:
  const SimDriveConfig config_;
  const DriveTimingModel model_;
  mutable std::mutex mutex_;
  std::unique_ptr<SimDriveState> state_;
  std::vector<ReceivedCommand> received_;
  bool recording_ = true;
};

}  // namespace sim
