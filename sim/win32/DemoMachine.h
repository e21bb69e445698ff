// The default simulated machine of the demo and of `velmark-cli --sim`: Windows 2000, the
// user an administrator, no ASPI library (so commands take the pass-through path), and
// drives of every reading strategy — D: a 52x CAV drive holding a 79:57 data disc, E: a
// 40x drive holding a 74-minute audio CD, and on a second channel F: a 32x CLV drive,
// G: a 40x P-CAV drive and H: a 48x Z-CLV drive, each holding the 79:57 data disc.
//
// The "media" machine holds DVD and BD drives instead: D: a 16x CAV DVD drive with a
// single-layer DVD-ROM, E: the same drive with a dual-layer DVD-ROM on the opposite track
// path whose layer break is not at half, F: a 12x CAV BD drive with a 25 GB BD-ROM and G: a
// DVD drive holding the 79:57 data CD (read at 40x); H: the BD drive with a dual-layer
// BD-ROM whose layer 1 is not full (the drive does not report its layers); I: the DVD drive
// with a video disc its firmware reads no faster than 4x; J: the DVD drive with a dual-layer
// DVD-ROM on the parallel track path.
//
// The "audio" machine holds drives that extract audio differently, each holding the audio CD
// with a few damaged sectors (kDamagedAudioSectors) unless said otherwise: D: a 1,024-block
// cache, FUA honoured, exact C2 pointers; E: no cache, C2 claimed but never delivered; F: a
// 512-block cache that ignores FUA, C2 pointers with false alarms; G: a 256-block cache,
// READ(12) refused on audio, no C2 pointers; H: a drive that reads no CD-DA; I: the first
// drive's model holding the 79:57 data disc.
//
// The "damage" machine holds discs with unreadable and weak blocks (see DamagedCdConfig).
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/SimDrive.h"
#include "sim/win32/SimHost.h"

namespace sim {

// The machines the demo can be: the default one, the one of DVD and BD drives, the one of
// audio extraction drives, or the one of damaged discs.
enum class DemoProfile { Default, Media, Audio, Damage };

struct DemoProfileName {
  const char* name;  // as the command line names it
  DemoProfile profile;
};
inline constexpr DemoProfileName kDemoProfiles[] = {
    {"default", DemoProfile::Default},
    {"media", DemoProfile::Media},
    {"audio", DemoProfile::Audio},
    {"damage", DemoProfile::Damage},
};
std::optional<DemoProfile> DemoProfileNamed(std::string_view name);

class DemoMachine {
 public:
  // Builds the machine and installs its host (the previous host comes back at destruction).
  // `record` false: the machine keeps no copy of the commands it answers (long runs keep
  // their memory flat).
  explicit DemoMachine(ClockMode clock = ClockMode::RealTime, bool record = true,
                       DemoProfile profile = DemoProfile::Default);
  ~DemoMachine();
  DemoMachine(const DemoMachine&) = delete;
  DemoMachine& operator=(const DemoMachine&) = delete;

  SimHost& host() { return *host_; }
  // The default machine's drives by name.
  SimDrive& dataDrive() { return *drives_[0]; }   // D:
  SimDrive& audioDrive() { return *drives_[1]; }  // E:
  SimDrive& clvDrive() { return *drives_[2]; }    // F:
  SimDrive& pcavDrive() { return *drives_[3]; }   // G:
  SimDrive& zclvDrive() { return *drives_[4]; }   // H:
  // The drive of `row` of the machine's drive list.
  SimDrive& drive(std::size_t row) { return *drives_.at(row); }
  std::size_t DriveCount() const { return drives_.size(); }

  // One drive of the machine: its letter, where it sits and how it is built. The machine
  // holds them in this order, which is the order of its drive list.
  struct Slot {
    char letter;
    ScsiAddress address;
    SimDriveConfig (*config)();
  };
  static std::span<const Slot> Slots(DemoProfile profile = DemoProfile::Default);

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

  // The media machine's drives and discs.
  static SimDriveConfig DvdDriveConfig();      // single-layer DVD-ROM, 2,298,496 blocks
  static SimDriveConfig DualLayerDvdConfig();  // dual layer, opposite track path
  static SimDriveConfig BdDriveConfig();       // single-layer 25 GB BD-ROM, 12,219,392 blocks
  static SimDriveConfig DvdDriveWithCdConfig();
  // The damage machine: D: the 52x CAV drive holding a CD with unreadable and weak blocks
  // (its read retry count can be set), E: the DVD drive holding a DVD-ROM with unreadable
  // and weak blocks (it refuses a change of its read retry count), F: a 40x drive holding
  // an audio CD with scratched sectors its C2 pointers flag, and unreadable and weak ones.
  // F: alone delivers C2 pointers. The faults of each config are the truth a surface scan
  // is checked against.
  static SimDriveConfig DamagedCdConfig();
  static SimDriveConfig DamagedAudioCdConfig();
  static SimDriveConfig DamagedDvdConfig();
  static constexpr std::uint64_t kWeakRetryMicros = 150'000;  // one weak block's retries

  static SimDriveConfig DualLayerBdConfig();        // 12,219,392 + 9,800,000 blocks
  static SimDriveConfig HeldVideoDvdConfig();       // a 2,000,000-block video disc held to 4x
  static SimDriveConfig ParallelLayersDvdConfig();  // two layers of 2,000,000 blocks
  static constexpr std::int32_t kDvdBlocks = 2'298'496;
  static constexpr std::int32_t kDualLayer0Blocks = 2'052'096;
  static constexpr std::int32_t kDualLayer1Blocks = 1'899'968;
  static constexpr std::int32_t kBdBlocks = 12'219'392;
  static constexpr std::int32_t kBdLayer0Blocks = 12'219'392;
  static constexpr std::int32_t kBdLayer1Blocks = 9'800'000;
  static constexpr std::int32_t kVideoDvdBlocks = 2'000'000;
  static constexpr std::int32_t kParallelLayerBlocks = 2'000'000;

  // The audio machine's drives (DemoAudioMachine.cpp).
  static SimDriveConfig CachingAudioDriveConfig();    // 1,024 blocks, FUA, exact C2
  static SimDriveConfig UncachedAudioDriveConfig();   // no cache, C2 claimed, all zero
  static SimDriveConfig FuaIgnoringDriveConfig();     // 512 blocks, FUA ignored, false alarms
  static SimDriveConfig Read12RefusingDriveConfig();  // 256 blocks, READ(12) refused, no C2
  static SimDriveConfig NoCddaDriveConfig();
  static SimDriveConfig AudioDriveWithDataDiscConfig();
  // The audio machine's J:, K: and L:, which read at other sample offsets than D:, so that
  // each pair of them has a known offset against the other.
  // J: reads shifted by kJitterDriveOffset samples, kJitterSamples more on reads starting at a
  // multiple of kJitterEvery; reads into the lead-in and the lead-out.
  static SimDriveConfig JitteringAudioDriveConfig();
  // K: reads shifted by kStallOutDriveOffset; refuses the lead-in, stalls in the lead-out.
  static SimDriveConfig LeadOutStallingDriveConfig();
  // L: reads shifted by kStallInDriveOffset, accurately though page 2Ah does not claim it;
  // stalls in the lead-in, reads the lead-out.
  static SimDriveConfig LeadInStallingDriveConfig();
  static constexpr std::int32_t kJitterDriveOffset = 6;
  static constexpr std::int32_t kJitterSamples = 4;
  static constexpr std::int32_t kJitterEvery = 7;
  static constexpr std::int32_t kStallOutDriveOffset = -24;
  static constexpr std::int32_t kStallInDriveOffset = 667;
  // The sectors of the audio CD that read differently on every read from the disc.
  static constexpr std::int32_t kDamagedAudioSectors[] = {4510, 4600, 4700};
  static constexpr std::int32_t kFalseAlarmEvery = 50;  // the false-alarm drive's C2 bits

 private:
  std::vector<std::shared_ptr<SimDrive>> drives_;  // in the order of Slots()
  std::unique_ptr<SimHost> host_;
  std::unique_ptr<platform::ScopedHost> installed_;
};

}  // namespace sim
