#include "sim/win32/DemoMachine.h"

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
  c.timing.supportedSpeeds = {4, 8, 16, 24, 32, 40, 48, 52};
  c.disc = Disc::Data(Disc::Blocks(79, 57));
  return c;
}

SimDriveConfig DemoMachine::ClvDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "CLV SIM-32X", "1.20"};
  c.timing = DriveTiming::Clv(32.0, 24.0);
  c.timing.supportedSpeeds = {4, 8, 16, 24, 32};
  c.disc = Disc::Data(Disc::Blocks(79, 57));
  return c;
}

SimDriveConfig DemoMachine::PcavDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "PCAV SIM-40X", "1.30"};
  c.timing = DriveTiming::Pcav(40.0, 32.0, 0.6);
  c.timing.supportedSpeeds = {8, 16, 24, 32, 40};
  c.timing.kiloBytesPerX = 176.4;  // as real drives count: 7,056 kB/s at 40x
  c.disc = Disc::Data(Disc::Blocks(79, 57));
  return c;
}

SimDriveConfig DemoMachine::ZclvDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "ZCLV SIM-48X", "1.40"};
  c.timing = DriveTiming::Zclv(48.0, 40.0);  // four 20-minute zones
  c.timing.supportedSpeeds = {8, 16, 24, 32, 40, 48};
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
  // Both drives on the first port, as master and slave of one IDE channel.
  p.AddDrive('D', {0, 0, 0, 0}, std::move(data));
  p.AddDrive('E', {0, 0, 1, 0}, std::move(audio));
  return p;
}

DemoMachine::DemoMachine(ClockMode clock, bool record)
    : dataDrive_(std::make_shared<SimDrive>(DataDriveConfig())),
      audioDrive_(std::make_shared<SimDrive>(AudioDriveConfig())),
      clvDrive_(std::make_shared<SimDrive>(ClvDriveConfig())),
      pcavDrive_(std::make_shared<SimDrive>(PcavDriveConfig())),
      zclvDrive_(std::make_shared<SimDrive>(ZclvDriveConfig())) {
  SimProfile profile = Profile(clock, dataDrive_, audioDrive_);
  // Master and slave of the second IDE channel, and the master of a third.
  profile.AddDrive('F', {1, 0, 0, 0}, clvDrive_);
  profile.AddDrive('G', {1, 0, 1, 0}, pcavDrive_);
  profile.AddDrive('H', {2, 0, 0, 0}, zclvDrive_);
  profile.recordCalls = record;
  for (SimDrive* d : {&*dataDrive_, &*audioDrive_, &*clvDrive_, &*pcavDrive_, &*zclvDrive_})
    d->SetRecording(record);
  host_ = std::make_unique<SimHost>(std::move(profile));
  installed_ = std::make_unique<platform::ScopedHost>(*host_);
}

DemoMachine::~DemoMachine() = default;

}  // namespace sim
