// The default simulated machine of the demo and of `velmark-cli --sim`: Windows 2000, the
// user an administrator, no ASPI library (so commands take the pass-through path), and
// drives of every reading strategy — D: a 52x CAV drive holding a 79:57 data disc, E: a
// 40x drive holding a 74-minute audio CD, and on a second channel F: a 32x CLV drive,
// G: a 40x P-CAV drive and H: a 48x Z-CLV drive, each holding the 79:57 data disc.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/SimDrive.h"
#include "sim/win32/SimHost.h"

namespace sim {

class DemoMachine {
 public:
  // Builds the machine and installs its host (the previous host comes back at destruction).
  // `record` false: the machine keeps no copy of the commands it answers (long runs keep
  // their memory flat).
  explicit DemoMachine(ClockMode clock = ClockMode::RealTime, bool record = true);
  ~DemoMachine();
  DemoMachine(const DemoMachine&) = delete;
  DemoMachine& operator=(const DemoMachine&) = delete;

  SimHost& host() { return *host_; }
  SimDrive& dataDrive() { return *drives_[0]; }   // D:
  SimDrive& audioDrive() { return *drives_[1]; }  // E:
  SimDrive& clvDrive() { return *drives_[2]; }    // F:
  SimDrive& pcavDrive() { return *drives_[3]; }   // G:
  SimDrive& zclvDrive() { return *drives_[4]; }   // H:

  // One drive of the machine: its letter, where it sits and how it is built. The machine
  // holds them in this order, which is the order of its drive list.
  struct Slot {
    char letter;
    ScsiAddress address;
    SimDriveConfig (*config)();
  };
  static std::span<const Slot> Slots();

  // The drives' configurations and the machine's profile, for tests that build variants.
  static SimDriveConfig DataDriveConfig();
  static SimDriveConfig AudioDriveConfig();
  static SimDriveConfig ClvDriveConfig();
  static SimDriveConfig PcavDriveConfig();
  static SimDriveConfig ZclvDriveConfig();
  // D: and E: only (the machine as the first demo had it).
  static SimProfile Profile(ClockMode clock, std::shared_ptr<SimDrive> data,
                            std::shared_ptr<SimDrive> audio);
  // The audio CD: 74 minutes in 16 tracks.
  static Disc AudioCD();

 private:
  std::vector<std::shared_ptr<SimDrive>> drives_;  // in the order of Slots()
  std::unique_ptr<SimHost> host_;
  std::unique_ptr<platform::ScopedHost> installed_;
};

}  // namespace sim
