// A simulated MMC optical drive at a SCSI address of the simulated machine.
//
// It answers INQUIRY, TEST UNIT READY, REQUEST SENSE, READ CAPACITY, MODE SENSE(6)/(10)
// (pages 01h, 2Ah, 3Fh), MODE SELECT(6)/(10) (block length 2048 or 2352), READ(10),
// READ CD, READ CD MSF, READ TOC (formats 0 and 1), SEEK(10) and SET CD SPEED, through one
// opcode table whose shared checks (vanished drive, BUSY, pending unit attention, aborted
// command, no medium / becoming ready, reply trimmed to the allocation length and to the
// transfer area) sit in one place. Errors carry fixed-format sense data (18 bytes, 70h).
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

#include "sim/Disc.h"
#include "sim/DriveFaults.h"
#include "sim/DriveTiming.h"
#include "sim/ScsiTarget.h"

namespace sim {

struct DriveIdentity {
  std::string vendor = "VELMSIM";          // INQUIRY bytes 8-15, space padded
  std::string product = "CD-ROM SIM-52X";  // bytes 16-31
  std::string revision = "1.00";           // bytes 32-35
};

// Firmware oddities of real drives, each a switch.
struct FirmwareQuirks {
  bool rejectsModeSense10 = false;  // MODE SENSE(10) and MODE SELECT(10): 05/20/00
  // MODE SENSE(10) answered with a 4-byte header and no block descriptor (the page starts
  // at byte 4, as in a MODE SENSE(6) reply with DBD set).
  bool modeSense10ShortHeader = false;
  bool noBlockDescriptors = false;  // mode data never carries a block descriptor
  enum class CapabilitiesPage {
    Normal,         // page 2Ah as MMC has it
    Missing,        // asking for page 2Ah fails with 05/24/00
    OtherPageCode,  // the page is answered carrying `capabilitiesAnswerCode` instead
  };
  CapabilitiesPage capabilitiesPage = CapabilitiesPage::Normal;
  std::uint8_t capabilitiesAnswerCode = 0x01;
  // SET CD SPEED with FFFFh chooses this speed (x) instead of the maximum (0: maximum).
  double maximumRequestSpeed = 0.0;
};

struct SimDriveConfig {
  DriveIdentity identity;
  DriveTiming timing;
  FirmwareQuirks quirks;
  std::optional<Disc> disc = Disc::Data();  // nullopt: no disc in the drive
  // True: a disc present at power-on is already spun up (ready at once). False: it
  // becomes ready spinUpMicros after the first command's clock.
  bool discSpunUp = true;
  // True: the first command after power-on (other than INQUIRY and REQUEST SENSE) gets
  // UNIT ATTENTION 06/29/00, as a real drive gives it. Tests that count commands exactly
  // may turn this off.
  bool powerOnAttention = true;
  std::uint16_t blockLength = 2048;  // the block length at power-on and after a reset
};

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

struct SimDriveState;  // the drive's inner state (sim/SimDriveState.h)

class SimDrive : public ScsiTarget {
 public:
  explicit SimDrive(SimDriveConfig config = {});
  ~SimDrive() override;
  SimDrive(const SimDrive&) = delete;
  SimDrive& operator=(const SimDrive&) = delete;

  ScsiReply Execute(const ScsiRequest& request) override;

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
  double ChosenSpeed() const;  // x chosen by the last SET CD SPEED (the maximum at first)
  const SimDriveConfig& Config() const { return config_; }

  // --- the truth of the model ---
  // Speed (x) at `lba` for the mode, with the speed chosen by SET CD SPEED in force.
  double ExpectedSpeedAt(std::int32_t lba, SpeedMode mode) const;
  // Expected microseconds to read [startLba, startLba + blocks) in commands of
  // `blocksPerCommand` blocks sent back to back, the head already at startLba (after a
  // SEEK(10) there). The speed mode of each block follows its track.
  double ExpectedReadMicros(std::int32_t startLba, std::uint32_t blocks,
                            std::uint32_t blocksPerCommand) const;
  // The same as an average speed in x (blocks / seconds / 75).
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
