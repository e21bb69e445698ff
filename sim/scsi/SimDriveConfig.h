// How a simulated MMC drive is built: its identity, timing, firmware quirks and the disc it
// holds at power-on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/scsi/AudioExtraction.h"
#include "sim/scsi/Disc.h"
#include "sim/scsi/DriveFaults.h"
#include "sim/scsi/DriveTiming.h"

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
  // Page 01h's read retry count can be changed with MODE SELECT. When not, a MODE SELECT
  // that changes it is refused with 05/26/00.
  bool readRetryChangeable = false;
  // The drive reports real-time streaming but refuses SET STREAMING: 05/20/00.
  bool refusesSetStreaming = false;
};

struct SimDriveConfig {
  DriveIdentity identity;
  // The speeds in the x of the disc held at power-on: on a DVD or BD the model takes that
  // medium's spiral and 1x (a disc inserted later is timed the same way).
  DriveTiming timing;
  // The profiles GET CONFIGURATION lists, the drive's preferred first; a DVD profile among
  // them also makes page 2Ah say the drive reads DVDs.
  std::vector<std::uint16_t> profiles = {0x0008};
  // GET CONFIGURATION lists feature 0107h (real-time streaming), current with a DVD or BD
  // in the drive, and SET STREAMING sets the read speed.
  bool realTimeStreaming = false;
  FirmwareQuirks quirks;
  AudioExtraction audio;                    // CD-DA, C2 pointers, READ(12) and FUA, damaged sectors
  std::optional<Disc> disc = Disc::Data();  // nullopt: no disc in the drive
  // True: a disc present at power-on is already spun up (ready at once). False: it
  // becomes ready spinUpMicros after the first command's clock.
  bool discSpunUp = true;
  // True: the first command after power-on (other than INQUIRY and REQUEST SENSE) gets
  // UNIT ATTENTION 06/29/00, as a real drive gives it. Tests that count commands exactly
  // may turn this off.
  bool powerOnAttention = true;
  std::uint16_t blockLength = 2048;  // the block length at power-on and after a reset
  DriveFaults faults;                // the faults the drive shows from power-on (its damaged disc)

  bool ReadsDvd() const {
    for (std::uint16_t p : profiles)
      if (scsi::FamilyOf(p) == scsi::MediumFamily::DVD) return true;
    return false;
  }
};

}  // namespace sim
