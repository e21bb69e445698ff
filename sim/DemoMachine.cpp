#include "sim/DemoMachine.h"

#include <vector>

namespace sim {

Disc DemoMachine::AudioCD() {
  // 16 tracks that add up to 74:00:00.
  const std::int32_t total = Disc::Blocks(74, 0);
  std::vector<std::int32_t> tracks;
  const int count = 16;
  std::int32_t used = 0;
  for (int i = 0; i < count - 1; ++i) {
    // Lengths vary a little around 4:37, as on a real album.
    const std::int32_t length = Disc::Blocks(4, 20 + (i * 7) % 35);
    tracks.push_back(length);
    used += length;
  }
  tracks.push_back(total - used);
  return Disc::Audio(tracks);
}

SimDriveConfig DemoMachine::DataDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "CD-ROM SIM-52X", "1.00"};
  c.timing = DriveTiming::Cav(52.0, 40.0);
  c.disc = Disc::Data(Disc::Blocks(79, 57));
  return c;
}

SimDriveConfig DemoMachine::AudioDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "CD-ROM SIM-40X", "2.10"};
  c.timing = DriveTiming::Cav(40.0, 32.0);
  c.disc = AudioCD();
  return c;
}

SimProfile DemoMachine::Profile(ClockMode clock, std::shared_ptr<SimDrive> data,
                                std::shared_ptr<SimDrive> audio) {
  SimProfile p = SimProfile::Windows2000(true);
  p.WithAspi(AspiPlacement::None).WithClock(clock);
  // The demo keeps no record of the calls it answers: a long run holds bounded memory.
  p.recordCalls = false;
  // Both drives on the first port, as master and slave of one IDE channel.
  p.AddDrive('D', {0, 0, 0, 0}, std::move(data));
  p.AddDrive('E', {0, 0, 1, 0}, std::move(audio));
  return p;
}

DemoMachine::DemoMachine(ClockMode clock)
    : dataDrive_(std::make_shared<SimDrive>(DataDriveConfig())),
      audioDrive_(std::make_shared<SimDrive>(AudioDriveConfig())),
      host_(std::make_unique<SimHost>(Profile(clock, dataDrive_, audioDrive_))),
      installed_(std::make_unique<platform::ScopedHost>(*host_)) {}

void DemoMachine::StopRecording() {
  dataDrive_->SetRecording(false);
  audioDrive_->SetRecording(false);
}

DemoMachine::~DemoMachine() = default;

}  // namespace sim
