#include "scan/CdGeometry.h"

#include "scan/DiscGeometry.h"

namespace scan {
namespace {

DiscGeometry Cd() {
  return DiscGeometry(kCdSpiral);
}

}  // namespace

double CdGeometry::RadiusMm(double lba) {
  return Cd().RadiusMm(lba);
}

double CdGeometry::LbaAtRadius(double radiusMm) {
  return Cd().LbaAtRadius(radiusMm);
}

double CdGeometry::Rpm(double fromLba, double toLba, double micros) {
  return Cd().Rpm(fromLba, toLba, micros);
}

double CdGeometry::SpeedAt(double lba, double rpm) {
  return Cd().SpeedAt(lba, rpm);
}

double CdGeometry::RpmAt(double lba, double speedX) {
  return Cd().RpmAt(lba, speedX);
}

}  // namespace scan
