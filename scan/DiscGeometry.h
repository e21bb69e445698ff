// The spiral of a disc's data track, per medium, and what follows from it: the radius of any
// block, the block at a radius, the rotation speed a read of a stretch in a given time
// means, and the speed at a block of a disc turning at a given rate. The radius grows with
// the playing time t (seconds at 1x) as r(t)^2 = r0^2 + v * p * t / pi.
//
// The figures, from the media's published physical standards:
//   CD   program area from r0 = 25 mm (at LBA -150), pitch 1.6 um, 1.2 m/s, 75 blocks a second
//   DVD  data zone from r0 = 24 mm (LBA 0), pitch 0.74 um, 3.49 m/s on a single layer and
//        3.84 m/s on each layer of a dual-layer disc, 1,385,000 bytes of 2048-byte blocks
//   BD   data zone from r0 = 24 mm (LBA 0), pitch 0.32 um, 4.917 m/s (25 GB a layer),
//        4,500,000 bytes of 2048-byte blocks
// A CAV drive is rated for its speed at the end of a full disc's data: 57.5 mm on a CD
// (74 minutes), 58 mm on a DVD or BD.
//
// On the opposite track path layer 1 runs back inwards from layer 0's end: LBA break + k lies
// at the radius of break - k. On the parallel one it starts again at the inside: LBA break + k
// lies at the radius of LBA k.
#pragma once

#include <cstdint>

#include "scsi/DiscStructure.h"
#include "scsi/Profiles.h"

namespace scan {

struct Spiral {
  double innerRadiusMm;              // r0
  double trackPitchMm;               // p
  double linearVelocityMmPerSecond;  // v at 1x
  double blocksPerSecond;            // at 1x
  double leadInBlocks;               // blocks between r0 and LBA 0
  double ratedRadiusMm;              // where a CAV drive reaches its rated speed
};

inline constexpr Spiral kCdSpiral{25.0, 1.6e-3, 1200.0, 75.0, 150.0, 57.5};
inline constexpr Spiral kDvdSpiral{24.0, 0.74e-3, 3490.0, 1'385'000.0 / 2048.0, 0.0, 58.0};
inline constexpr Spiral kDualLayerDvdSpiral{24.0, 0.74e-3, 3840.0, 1'385'000.0 / 2048.0, 0.0, 58.0};
inline constexpr Spiral kBdSpiral{24.0, 0.32e-3, 4917.0, 4'500'000.0 / 2048.0, 0.0, 58.0};

// The spiral of a disc of `family` with `layers` (a DVD's layers set its linear velocity).
const Spiral& SpiralOf(scsi::MediumFamily family, int layers);

class DiscGeometry {
 public:
  // `layerBreak`: the first LBA of layer 1 on `path`; 0 for one spiral.
  explicit DiscGeometry(const Spiral& spiral = kCdSpiral, double layerBreak = 0,
                        scsi::TrackPath path = scsi::TrackPath::Opposite);

  const Spiral& Of() const { return spiral_; }
  double OppositeBreak() const { return opposite_ ? break_ : 0.0; }
  // Whether `lba` lies on layer 1.
  bool OnLayer1(double lba) const { return break_ > 0 && lba >= break_; }
  // Whether `lba` lies on an opposite track path's layer 1 (read from the outside in).
  bool OnReturningLayer(double lba) const { return opposite_ && OnLayer1(lba); }

  // Radius (mm) of the track holding `lba`.
  double RadiusMm(double lba) const;
  // The LBA of layer 0 whose track lies at `radiusMm`.
  double LbaAtRadius(double radiusMm) const;
  // Revolutions a minute of a disc that passed [fromLba, toLba) under the head in `micros`:
  // the head crosses one track per revolution.
  double Rpm(double fromLba, double toLba, double micros) const;
  // Speed in x at `lba` of a disc turning at `rpm`.
  double SpeedAt(double lba, double rpm) const;
  // Revolutions a minute at `lba` of a disc read at `speedX`.
  double RpmAt(double lba, double speedX) const;

 private:
  double SpiralLba(double lba) const;  // the layer-0 LBA at the radius of `lba`
  double RadiusOnSpiral(double spiralLba) const;

  Spiral spiral_;
  double break_;
  bool opposite_;
  double k_;  // v * p / pi, mm^2 a second of playing time
};

}  // namespace scan
