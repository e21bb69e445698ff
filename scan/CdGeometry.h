// The geometry of a CD's spiral, as the disc standard gives it: the program area starts at
// a radius of 25 mm (LBA -150), the track pitch is 1.6 µm and 1x passes 1.2 m of track a
// second, 75 blocks. From it: the radius of any block, the block at a radius, and the
// rotation speed that a read of a stretch of the disc in a given time means (DiscGeometry
// with a CD's spiral).
#pragma once

#include "scan/DiscGeometry.h"

namespace scan {

inline constexpr double kInnerRadiusMm = 25.0;
inline constexpr double kTrackPitchMm = 1.6e-3;
inline constexpr double kLinearVelocityMmPerSecond = 1200.0;
inline constexpr double kBlocksPerSecond = 75.0;  // at 1x
// A standard 74-minute disc ends here; a CAV drive is rated for its speed at this radius.
inline constexpr double kStandardOuterRadiusMm = 57.5;
static_assert(kCdSpiral.innerRadiusMm == kInnerRadiusMm &&
                  kCdSpiral.trackPitchMm == kTrackPitchMm &&
                  kCdSpiral.linearVelocityMmPerSecond == kLinearVelocityMmPerSecond &&
                  kCdSpiral.blocksPerSecond == kBlocksPerSecond &&
                  kCdSpiral.ratedRadiusMm == kStandardOuterRadiusMm,
              "the CD's spiral and its figures here disagree");

class CdGeometry {
 public:
  // Radius (mm) of the track holding `lba`.
  static double RadiusMm(double lba);
  // The LBA whose track lies at `radiusMm`.
  static double LbaAtRadius(double radiusMm);
  // Revolutions a minute of a disc that passed [fromLba, toLba) under the head in
  // `micros`: the head crosses one track per revolution.
  static double Rpm(double fromLba, double toLba, double micros);
  // Speed in x at `lba` of a disc turning at `rpm`.
  static double SpeedAt(double lba, double rpm);
  // Revolutions a minute at `lba` of a disc read at `speedX`.
  static double RpmAt(double lba, double speedX);
};

}  // namespace scan
