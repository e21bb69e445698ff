// START STOP UNIT and GET PERFORMANCE of the simulated drive: stopping and spinning up the
// disc, ejecting it, and the speeds the drive offers and delivers.
#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

constexpr std::uint8_t kPerformanceData = 0x00;
constexpr std::uint8_t kWriteSpeedDescriptors = 0x03;
constexpr std::uint32_t kPerformanceHeader = 8;
constexpr std::uint32_t kDescriptorLength = 16;

// The speeds SET CD SPEED can choose, fastest first.
std::vector<double> OfferedSpeeds(const DriveTiming& t) {
  std::vector<double> speeds;
  for (double s : t.supportedSpeeds)
    if (s > 0.0 && s <= t.maxDataSpeed) speeds.push_back(s);
  if (speeds.empty())
    for (double s = std::floor(t.maxDataSpeed); s >= 1.0; s -= 1.0) speeds.push_back(s);
  std::sort(speeds.begin(), speeds.end(), [](double a, double b) { return a > b; });
  speeds.erase(std::unique(speeds.begin(), speeds.end()), speeds.end());
  return speeds;
}

void PutDescriptor(std::vector<std::uint8_t>& d, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                   std::uint32_t e) {
  const std::size_t at = d.size();
  d.resize(at + kDescriptorLength);
  PutBe32(d.data() + at, a);
  PutBe32(d.data() + at + 4, b);
  PutBe32(d.data() + at + 8, c);
  PutBe32(d.data() + at + 12, e);
}

}  // namespace

void StartStopUnit(SimDriveCommand& c) {
  const bool immediate = (c.cdb[1] & 0x01) != 0;
  const bool start = (c.cdb[4] & 0x01) != 0;
  const bool loadEject = (c.cdb[4] & 0x02) != 0;
  SimDriveState& s = c.state;
  if ((c.cdb[4] & 0xF0) != 0) {  // power conditions are not modelled
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  c.reply.status = 0x00;
  if (loadEject) {
    if (!start) {  // eject: the tray opens and the disc is gone
      s.disc.reset();
      s.stopped = false;
      s.head.Forget();
    }
    return;  // load: the tray closes; there is nothing on it to load
  }
  if (!start) {  // without a disc there is nothing to stop
    s.stopped = s.disc.has_value();
    s.head.Forget();
    return;
  }
  if (!s.disc) {
    c.Fail(scsi::key::kNotReady, scsi::asc::kMediumNotPresent);
    return;
  }
  if (!s.stopped) return;
  s.stopped = false;
  s.head.Forget();
  const DriveTiming& t = c.model.Timing();
  if (t.zeroLatency) return;
  if (immediate) {  // becoming ready until the disc is up to speed
    s.readyAtMicros =
        c.request.nowMicros + static_cast<std::uint64_t>(c.serviceMicros) + t.spinUpMicros;
  } else {
    c.serviceMicros += static_cast<double>(t.spinUpMicros);
  }
}

void GetPerformance(SimDriveCommand& c) {
  const std::uint8_t type = c.cdb[10];
  const std::uint8_t dataType = c.cdb[1] & 0x1F;
  const std::uint32_t maxDescriptors = Be16(c.cdb + 8);
  const DriveTiming& t = c.model.Timing();
  const std::int32_t lastLba = std::max(c.state.disc->LeadOut() - 1, 0);
  std::vector<std::uint8_t> d(kPerformanceHeader, 0);
  if (type == kWriteSpeedDescriptors) {
    // A read-only drive: every descriptor carries a read speed and write speed 0.
    for (double speed : OfferedSpeeds(t))
      PutDescriptor(d, 0, static_cast<std::uint32_t>(lastLba), KiloBytesPerSecond(speed, t), 0);
  } else if (type == kPerformanceData && (dataType & 0x07) == 0) {
    // Nominal read performance over the disc, under the speed chosen by SET CD SPEED.
    const std::uint32_t start = Be32(c.cdb + 2);
    const auto from = static_cast<std::int32_t>(std::min<std::uint32_t>(start, lastLba));
    const double max = std::min(c.state.chosenSpeed, t.maxDataSpeed);
    PutDescriptor(
        d, static_cast<std::uint32_t>(from), KiloBytesPerSecond(c.model.SpeedAt(from, max), t),
        static_cast<std::uint32_t>(lastLba), KiloBytesPerSecond(c.model.SpeedAt(lastLba, max), t));
  } else {  // write performance, exceptions and the other types are not offered
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  PutBe32(d.data(), static_cast<std::uint32_t>(d.size() - 4));
  c.Deliver(d.data(), static_cast<std::uint32_t>(d.size()),
            kPerformanceHeader + maxDescriptors * kDescriptorLength);
}

}  // namespace sim
