// The audio machine's drives: each differs from the others in how it extracts audio, with
// its truth in its configuration.
#include <iterator>

#include "sim/win32/DemoMachine.h"

namespace sim {
namespace {

SimDriveConfig AudioDrive(const char* product, std::uint32_t cacheBlocks, C2Pointers c2) {
  SimDriveConfig c;
  c.identity = {"VELMSIM", product, "5.00"};
  c.timing = DriveTiming::Cav(48.0, 40.0);
  c.timing.supportedSpeeds = {8, 16, 24, 32, 40, 48};
  c.timing.cacheBlocks = cacheBlocks;
  c.disc = DemoMachine::AudioCD();
  c.audio.c2 = c2;
  c.audio.cdReadFeature = true;
  c.audio.damagedSectors.assign(std::begin(DemoMachine::kDamagedAudioSectors),
                                std::end(DemoMachine::kDamagedAudioSectors));
  return c;
}

}  // namespace

SimDriveConfig DemoMachine::CachingAudioDriveConfig() {
  return AudioDrive("DAE CACHE-1024", 1024, C2Pointers::Exact);
}

SimDriveConfig DemoMachine::UncachedAudioDriveConfig() {
  return AudioDrive("DAE NO-CACHE", 0, C2Pointers::Missing);
}

SimDriveConfig DemoMachine::FuaIgnoringDriveConfig() {
  SimDriveConfig c = AudioDrive("DAE FUA-IGNORED", 512, C2Pointers::FalseAlarms);
  c.audio.fuaHonoured = false;
  c.audio.falseAlarmEvery = kFalseAlarmEvery;
  return c;
}

SimDriveConfig DemoMachine::Read12RefusingDriveConfig() {
  SimDriveConfig c = AudioDrive("DAE NO-READ12", 256, C2Pointers::NotSupported);
  c.audio.read12OnAudio = false;
  c.audio.cdReadFeature = false;
  return c;
}

SimDriveConfig DemoMachine::NoCddaDriveConfig() {
  SimDriveConfig c = AudioDrive("DATA-ONLY CD", 1024, C2Pointers::NotSupported);
  c.audio.cdda = false;
  return c;
}

SimDriveConfig DemoMachine::AudioDriveWithDataDiscConfig() {
  SimDriveConfig c = CachingAudioDriveConfig();
  c.disc = Disc::Data(Disc::Blocks(79, 57));
  return c;
}

SimDriveConfig DemoMachine::JitteringAudioDriveConfig() {
  SimDriveConfig c = AudioDrive("DAE JITTER", 1024, C2Pointers::Exact);
  c.audio.readOffsetSamples = kJitterDriveOffset;
  c.audio.jitterSamples = kJitterSamples;
  c.audio.jitterEvery = kJitterEvery;
  c.audio.leadIn = Overread::Allowed;
  c.audio.leadOut = Overread::Allowed;
  return c;
}

SimDriveConfig DemoMachine::LeadOutStallingDriveConfig() {
  SimDriveConfig c = AudioDrive("DAE STALL-OUT", 1024, C2Pointers::Exact);
  c.audio.readOffsetSamples = kStallOutDriveOffset;
  c.audio.leadOut = Overread::Stalls;
  return c;
}

SimDriveConfig DemoMachine::LeadInStallingDriveConfig() {
  SimDriveConfig c = AudioDrive("DAE STALL-IN", 1024, C2Pointers::Exact);
  c.audio.readOffsetSamples = kStallInDriveOffset;
  c.audio.accurateStreamClaimed = false;
  c.audio.leadIn = Overread::Stalls;
  c.audio.leadOut = Overread::Allowed;
  return c;
}

}  // namespace sim
