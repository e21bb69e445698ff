// The timing of a simulated optical drive: how fast the disc passes the head at any LBA
// (CAV, CLV, P-CAV, Z-CLV), the separate maximum speeds for data and for digital audio
// extraction, spin-up, seeks, per-command overhead and the read-ahead cache. Speeds are
// multiples of the medium's 1x: 75 sectors per second on a CD, for data and audio alike;
// 1,385,000 bytes of 2048-byte blocks on a DVD, 4,500,000 on a BD.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace sim {

enum class SpeedProfile {
  CAV,   // constant angular velocity: speed grows with the radius, maximum at the outer edge
  CLV,   // constant linear velocity: the maximum speed everywhere
  PCAV,  // partial CAV: CAV from the inside until the maximum is reached, CLV from there
  ZCLV,  // zoned CLV: constant speed within each zone, stepping up zone by zone
};

// What a read delivers, for the speed that applies: user data or audio samples (DAE).
enum class SpeedMode { Data, Audio };

// One zone of a Z-CLV drive: from `startLba` on, the drive runs at `fraction` of its
// maximum speed (the zone with the highest start not above an LBA applies).
struct ZclvZone {
  std::int32_t startLba = 0;
  double fraction = 1.0;
};

struct DriveTiming {
  SpeedProfile profile = SpeedProfile::CAV;
  double maxDataSpeed = 52.0;   // x, the data speed at the fastest point of the disc
  double maxAudioSpeed = 40.0;  // x, the same for audio extraction (capped lower)
  // The speeds SET CD SPEED can choose from (x, any order). The drive takes the highest
  // one not above the requested speed (the lowest when all are above). Empty: any whole
  // multiple of 1x up to the maximum.
  std::vector<double> supportedSpeeds;
  // P-CAV: speed at the inner radius as a fraction of the maximum.
  double pcavInnerFraction = 0.6;
  // Z-CLV: the zones; empty gives four zones of 20 minutes each stepping from the CAV
  // speed at the inside up to the maximum.
  std::vector<ZclvZone> zclvZones;

  // The disc's geometry (a CD's unless WithGeometry set another): radius at playing time t
  // (seconds at 1x) r(t) = sqrt(r0^2 + v*p*t/pi), t = (LBA + lead-in) / blocks a second.
  double innerRadiusMm = 25.0;    // r0, where the program area (LBA -150) starts
  double outerRadiusMm = 58.0;    // where a CAV drive reaches its maximum speed
  double trackPitchUm = 1.6;      // p
  double linearVelocity = 1.2;    // v, m/s at 1x
  double blocksPerSecond = 75.0;  // at 1x
  double leadInBlocks = 150.0;    // blocks between r0 and LBA 0
  // An opposite-track-path disc's layer break: from this LBA on, layer 1 runs back inwards,
  // LBA break + k lying at the radius of break - 1 - k. 0: one spiral.
  std::int32_t oppositeLayerBreak = 0;
  // A parallel-track-path disc's layer break: from this LBA on, layer 1 starts again at the
  // inside, LBA break + k lying at the radius of k. 0: one spiral.
  std::int32_t parallelLayerBreak = 0;
  // The focus jump to layer 1: a pass over the layer break's first block takes this long on
  // top of the disc's time.
  std::uint64_t layerChangeMicros = 0;
  // The firmware reads the disc no faster than this (x), whatever its maximum and the speed
  // asked — as drives hold video discs down; 0: not held.
  double heldSpeed = 0.0;

  std::uint64_t spinUpMicros = 1'500'000;              // disc inserted -> ready
  std::uint64_t fullStrokeSeekMicros = 110'000;        // inner to outer edge
  std::uint64_t minSeekMicros = 2'000;                 // the shortest seek that moves the head
  std::uint64_t commandOverheadMicros = 250;           // every command, before anything else
  std::uint32_t cacheBlocks = 1024;                    // read-ahead buffer, in blocks
  std::uint64_t interfaceBytesPerSecond = 33'000'000;  // cached data to the host
  std::uint64_t mediumErrorMicros = 300'000;           // a read that hits an unreadable block
  // How the firmware counts speeds in kB/s (page 2Ah, GET PERFORMANCE, SET CD SPEED): 176
  // per 1x rounded, or 176.4 as most real drives do (7,056 kB/s at 40x).
  double kiloBytesPerX = 176.0;
  // True: every command is served in zero time (benchmarks of the stack above the drive).
  bool zeroLatency = false;

  static DriveTiming Cav(double maxData, double maxAudio);
  static DriveTiming Clv(double maxData, double maxAudio);
  static DriveTiming Pcav(double maxData, double maxAudio, double innerFraction = 0.6);
  static DriveTiming Zclv(double maxData, double maxAudio, std::vector<ZclvZone> zones = {});
  static DriveTiming ZeroLatency();
};

// The spiral of a medium, for DriveTiming's geometry fields.
struct DiscGeometry {
  double innerRadiusMm;
  double trackPitchUm;
  double linearVelocity;
  double blocksPerSecond;
  double leadInBlocks;
};
// DVD: the data area from 24 mm, 0.74 um pitch, 3.49 m/s (3.84 m/s on each layer of a
// dual-layer disc), 1x = 1,385,000 B/s of 2048-byte blocks. BD: from 24 mm, 0.32 um,
// 4.917 m/s, 1x = 4,500,000 B/s (36 Mbit/s).
inline constexpr DiscGeometry kDvdGeometry{24.0, 0.74, 3.49, 1'385'000.0 / 2048.0, 0.0};
inline constexpr DiscGeometry kDualLayerDvdGeometry{24.0, 0.74, 3.84, 1'385'000.0 / 2048.0, 0.0};
inline constexpr DiscGeometry kBdGeometry{24.0, 0.32, 4.917, 4'500'000.0 / 2048.0, 0.0};

// `timing` on a disc of `geometry` whose opposite track path breaks at `oppositeLayerBreak`
// and whose parallel one at `parallelLayerBreak`.
DriveTiming WithGeometry(DriveTiming timing, const DiscGeometry& geometry,
                         std::int32_t oppositeLayerBreak = 0, std::int32_t parallelLayerBreak = 0);

// The pure functions of the timing model. `maxSpeed` is the maximum in force for the mode
// (the lower of the drive's maximum for the mode and the speed chosen by SET CD SPEED).
class DriveTimingModel {
 public:
  explicit DriveTimingModel(DriveTiming timing);

  const DriveTiming& Timing() const { return timing_; }

  // Radius of the track holding `lba`, in millimetres.
  double RadiusMm(std::int32_t lba) const;
  // Fraction of the maximum speed at `lba` given by the profile (0 < f <= 1).
  double SpeedFraction(std::int32_t lba) const;
  // Speed in x at `lba` under `maxSpeed`.
  double SpeedAt(std::int32_t lba, double maxSpeed) const;
  // Microseconds the disc takes to pass blocks [from, to) under the head at `maxSpeed`.
  double DiscMicros(std::int32_t from, std::int32_t to, double maxSpeed) const;
  // The number of whole blocks from `from` that pass the head within `micros`.
  std::int32_t BlocksWithin(std::int32_t from, double micros, double maxSpeed,
                            std::int32_t limit) const;
  // Head movement from one LBA to another (0 when the radius does not change).
  double SeekMicros(std::int32_t from, std::int32_t to) const;
  // Half a revolution at `lba`: the average wait for a block after a seek.
  double LatencyMicros(std::int32_t lba, double maxSpeed) const;
  // The speed SET CD SPEED chooses for a request of `requested` x (<= 0: the maximum).
  double ChooseSpeed(double requested) const;

 private:
  double PlayingSeconds(std::int32_t spiralLba) const;  // along layer 0's spiral
  // The LBA of layer 0 at the radius of `lba` (itself but on an opposite layer 1).
  std::int32_t SpiralLba(std::int32_t lba) const;
  double SpiralMicros(std::int32_t from, std::int32_t to, double maxSpeed) const;
  double AngularConstant() const;  // c in fraction = c * r (CAV and P-CAV), per mm
  double ZoneFraction(std::int32_t lba) const;

  DriveTiming timing_;
  std::vector<ZclvZone> zones_;
};

// A speed in kB/s as page 2Ah and GET PERFORMANCE give it: to the whole kB/s, in the
// drive's counting of kB/s per 1x.
inline std::uint32_t KiloBytesPerSecond(double speed, const DriveTiming& timing) {
  return static_cast<std::uint32_t>(std::lround(speed * timing.kiloBytesPerX));
}

}  // namespace sim
