#include "sim/win32/DemoMachine.h"

#include <cstddef>
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

namespace {

// A 16x CAV DVD drive: speeds in a DVD's x, counted as 1,385 kB/s each.
SimDriveConfig DvdDrive(Disc disc) {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "DVD-ROM SIM-16X", "3.00"};
  c.timing = DriveTiming::Cav(16.0, 16.0);
  c.timing.supportedSpeeds = {2, 4, 8, 12, 16};
  c.timing.kiloBytesPerX = 1385.0;
  c.timing.interfaceBytesPerSecond = 150'000'000;  // SATA
  c.timing.layerChangeMicros = 150'000;
  c.profiles = {0x0010, 0x0008};  // DVD-ROM, CD-ROM
  c.realTimeStreaming = true;     // and SET STREAMING sets its speed
  c.disc = std::move(disc);
  return c;
}

}  // namespace

SimDriveConfig DemoMachine::DvdDriveConfig() {
  return DvdDrive(Disc::DvdRom(kDvdBlocks));
}

SimDriveConfig DemoMachine::DualLayerDvdConfig() {
  return DvdDrive(Disc::DualLayerDvdRom(kDualLayer0Blocks, kDualLayer1Blocks, true));
}

SimDriveConfig DemoMachine::BdDriveConfig() {
  SimDriveConfig c;
  c.identity = {"VELMSIM", "BD-ROM SIM-12X", "4.00"};
  c.timing = DriveTiming::Cav(12.0, 12.0);
  c.timing.supportedSpeeds = {2, 4, 6, 8, 10, 12};
  c.timing.kiloBytesPerX = 4500.0;
  c.timing.interfaceBytesPerSecond = 150'000'000;
  c.timing.cacheBlocks = 2048;
  c.timing.layerChangeMicros = 150'000;
  c.profiles = {0x0040, 0x0010, 0x0008};  // BD-ROM, DVD-ROM, CD-ROM
  c.realTimeStreaming = true;             // reported, but SET STREAMING is refused
  c.quirks.refusesSetStreaming = true;
  c.disc = Disc::BdRom(kBdBlocks);
  return c;
}

SimDriveConfig DemoMachine::DualLayerBdConfig() {
  SimDriveConfig c = BdDriveConfig();
  c.disc = Disc::DualLayerBdRom(kBdLayer0Blocks, kBdLayer1Blocks);
  return c;
}

SimDriveConfig DemoMachine::HeldVideoDvdConfig() {
  SimDriveConfig c = DvdDrive(Disc::DvdRom(kVideoDvdBlocks));
  c.timing.heldSpeed = 4.0;
  return c;
}

SimDriveConfig DemoMachine::ParallelLayersDvdConfig() {
  return DvdDrive(Disc::DualLayerDvdRom(kParallelLayerBlocks, kParallelLayerBlocks, false));
}

SimDriveConfig DemoMachine::DvdDriveWithCdConfig() {
  SimDriveConfig c = DvdDrive(Disc::Data(Disc::Blocks(79, 57)));
  c.timing = DriveTiming::Cav(40.0, 32.0);  // a CD in a CD's x
  c.timing.supportedSpeeds = {8, 16, 24, 32, 40};
  c.timing.kiloBytesPerX = 176.4;
  c.timing.interfaceBytesPerSecond = 150'000'000;
  return c;
}

SimDriveConfig DemoMachine::DamagedCdConfig() {
  SimDriveConfig c = DataDriveConfig();
  c.identity = {"VELMSIM", "CD-ROM SIM-52X", "1.50"};
  c.quirks.readRetryChangeable = true;
  // Two adjacent unreadable blocks, one alone and a scratch of 40 across command edges.
  c.faults.mediumErrors = {{16000, 2}, {30000, 1}, {250010, 40}};
  c.faults.weakSectors = {
      {50000, 1, kWeakRetryMicros}, {120003, 2, kWeakRetryMicros}, {300000, 1, kWeakRetryMicros}};
  return c;
}

SimDriveConfig DemoMachine::DamagedAudioCdConfig() {
  SimDriveConfig c = AudioDriveConfig();
  c.identity = {"VELMSIM", "CD-ROM SIM-40X", "2.50"};
  c.audio.c2 = C2Pointers::Exact;
  // Scratched samples the drive flags with C2 pointers: two runs and a lone sector.
  c.audio.damagedSectors = {20000, 20001, 20002, 150000, 280100, 280101};
  c.faults.mediumErrors = {{90000, 5}};
  c.faults.weakSectors = {{200000, 1, kWeakRetryMicros}};
  return c;
}

SimDriveConfig DemoMachine::DamagedDvdConfig() {
  SimDriveConfig c = DvdDriveConfig();
  c.identity = {"VELMSIM", "DVD-ROM SIM-16X", "3.50"};
  c.faults.mediumErrors = {{16000, 2}, {1'500'000, 16}};
  c.faults.weakSectors = {{700'001, 1, kWeakRetryMicros}, {2'000'000, 3, kWeakRetryMicros}};
  return c;
}

std::optional<DemoProfile> DemoProfileNamed(std::string_view name) {
  for (const DemoProfileName& row : kDemoProfiles)
    if (name == row.name) return row.profile;
  return std::nullopt;
}

namespace {

// D: and E: on the first port, as master and slave of one IDE channel; F: and G: master and
// slave of the second channel, H: the master of a third.
const DemoMachine::Slot kSlots[] = {
    {'D', {0, 0, 0, 0}, &DemoMachine::DataDriveConfig},
    {'E', {0, 0, 1, 0}, &DemoMachine::AudioDriveConfig},
    {'F', {1, 0, 0, 0}, &DemoMachine::ClvDriveConfig},
    {'G', {1, 0, 1, 0}, &DemoMachine::PcavDriveConfig},
    {'H', {2, 0, 0, 0}, &DemoMachine::ZclvDriveConfig},
};

// The audio machine: two drives a channel.
const DemoMachine::Slot kAudioSlots[] = {
    {'D', {0, 0, 0, 0}, &DemoMachine::CachingAudioDriveConfig},
    {'E', {0, 0, 1, 0}, &DemoMachine::UncachedAudioDriveConfig},
    {'F', {1, 0, 0, 0}, &DemoMachine::FuaIgnoringDriveConfig},
    {'G', {1, 0, 1, 0}, &DemoMachine::Read12RefusingDriveConfig},
    {'H', {2, 0, 0, 0}, &DemoMachine::NoCddaDriveConfig},
    {'I', {2, 0, 1, 0}, &DemoMachine::AudioDriveWithDataDiscConfig},
    {'J', {3, 0, 0, 0}, &DemoMachine::JitteringAudioDriveConfig},
    {'K', {3, 0, 1, 0}, &DemoMachine::LeadOutStallingDriveConfig},
    {'L', {4, 0, 0, 0}, &DemoMachine::LeadInStallingDriveConfig},
};

// The media machine: D: and E: on the first channel, F: and G: on the second, H: and I: on
// a third, J: on a fourth.
const DemoMachine::Slot kMediaSlots[] = {
    {'D', {0, 0, 0, 0}, &DemoMachine::DvdDriveConfig},
    {'E', {0, 0, 1, 0}, &DemoMachine::DualLayerDvdConfig},
    {'F', {1, 0, 0, 0}, &DemoMachine::BdDriveConfig},
    {'G', {1, 0, 1, 0}, &DemoMachine::DvdDriveWithCdConfig},
    {'H', {2, 0, 0, 0}, &DemoMachine::DualLayerBdConfig},
    {'I', {2, 0, 1, 0}, &DemoMachine::HeldVideoDvdConfig},
    {'J', {3, 0, 0, 0}, &DemoMachine::ParallelLayersDvdConfig},
};

// The damage machine: D: and E: on the first channel, F: on the second.
const DemoMachine::Slot kDamageSlots[] = {
    {'D', {0, 0, 0, 0}, &DemoMachine::DamagedCdConfig},
    {'E', {0, 0, 1, 0}, &DemoMachine::DamagedDvdConfig},
    {'F', {1, 0, 0, 0}, &DemoMachine::DamagedAudioCdConfig},
};

}  // namespace

std::span<const DemoMachine::Slot> DemoMachine::Slots(DemoProfile profile) {
  if (profile == DemoProfile::Media) return kMediaSlots;
  if (profile == DemoProfile::Audio) return kAudioSlots;
  if (profile == DemoProfile::Damage) return kDamageSlots;
  return kSlots;
}

SimProfile DemoMachine::Profile(ClockMode clock, std::shared_ptr<SimDrive> data,
                                std::shared_ptr<SimDrive> audio) {
  SimProfile p = SimProfile::Windows2000(true);
  p.WithAspi(AspiPlacement::None).WithClock(clock);
  p.AddDrive(kSlots[0].letter, kSlots[0].address, std::move(data));
  p.AddDrive(kSlots[1].letter, kSlots[1].address, std::move(audio));
  return p;
}

DemoMachine::DemoMachine(ClockMode clock, bool record, DemoProfile machine) {
  const std::span<const Slot> slots = Slots(machine);
  for (const Slot& slot : slots) drives_.push_back(std::make_shared<SimDrive>(slot.config()));
  SimProfile profile = SimProfile::Windows2000(true);
  profile.WithAspi(AspiPlacement::None).WithClock(clock);
  for (std::size_t i = 0; i < drives_.size(); ++i)
    profile.AddDrive(slots[i].letter, slots[i].address, drives_[i]);
  profile.recordCalls = record;
  for (const auto& drive : drives_) drive->SetRecording(record);
  host_ = std::make_unique<SimHost>(std::move(profile));
  installed_ = std::make_unique<platform::ScopedHost>(*host_);
}

DemoMachine::~DemoMachine() = default;

}  // namespace sim
