// The default simulated machine of the demo and of `velmark-cli --sim`: Windows 2000, the
// user an administrator, no ASPI library (so commands take the pass-through path), and two
// drives — D: a 52x CAV drive holding a 79:57 data disc, E: a 40x drive holding a
// 74-minute audio CD.
#pragma once

#include <memory>

#include "platform/Host.h"
#include "sim/SimDrive.h"
#include "sim/SimHost.h"
#include "sim/SimProfile.h"

namespace sim {

class DemoMachine {
 public:
  // Builds the machine and installs its host (the previous host comes back at destruction).
  explicit DemoMachine(ClockMode clock = ClockMode::RealTime);
  ~DemoMachine();
  DemoMachine(const DemoMachine&) = delete;
  DemoMachine& operator=(const DemoMachine&) = delete;

  SimHost& host() { return *host_; }
  // The drives stop keeping the commands they receive (the machine itself keeps none): a
  // program that runs for long holds bounded memory.
  void StopRecording();
  SimDrive& dataDrive() { return *dataDrive_; }    // D:
  SimDrive& audioDrive() { return *audioDrive_; }  // E:

  // The drives' configurations and the machine's profile, for tests that build variants.
  static SimDriveConfig DataDriveConfig();
  static SimDriveConfig AudioDriveConfig();
  static SimProfile Profile(ClockMode clock, std::shared_ptr<SimDrive> data,
                            std::shared_ptr<SimDrive> audio);
  // The audio CD: 74 minutes in 16 tracks.
  static Disc AudioCD();

 private:
  std::shared_ptr<SimDrive> dataDrive_;
  std::shared_ptr<SimDrive> audioDrive_;
  std::unique_ptr<SimHost> host_;
  std::unique_ptr<platform::ScopedHost> installed_;
};

}  // namespace sim
