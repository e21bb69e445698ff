#include "sim/scsi/DriveTimingHead.h"

#include <algorithm>

namespace sim {

void DriveTimingHead::Forget() {
  valid_ = false;
  head_ = cacheStart_ = deliveredEnd_ = 0;
  headTime_ = 0.0;
}

double DriveTimingHead::MaxSpeedAt(const SpeedSegments& speeds, std::int32_t lba) const {
  for (const SpeedSegment& s : speeds)
    if (lba >= s.startLba && lba < s.endLba) return s.maxSpeed;
  return speeds.empty() ? 1.0 : speeds.back().maxSpeed;
}

double DriveTimingHead::PassMicros(const SpeedSegments& speeds, std::int32_t from,
                                   std::int32_t to) const {
  double micros = 0.0;
  for (const SpeedSegment& s : speeds) {
    const std::int32_t a = std::max(from, s.startLba), b = std::min(to, s.endLba);
    if (b > a) micros += model_->DiscMicros(a, b, s.maxSpeed);
  }
  return micros;
}

std::int32_t DriveTimingHead::BlocksWithin(const SpeedSegments& speeds, std::int32_t from,
                                           double micros, std::int32_t limit) const {
  std::int32_t at = from;
  for (const SpeedSegment& s : speeds) {
    if (at >= limit || micros <= 0.0) break;
    if (s.endLba <= at) continue;
    if (s.startLba > at) break;  // a gap: nothing readable beyond
    const std::int32_t end = std::min(s.endLba, limit);
    const double whole = model_->DiscMicros(at, end, s.maxSpeed);
    if (whole <= micros) {
      micros -= whole;
      at = end;
      continue;
    }
    at += model_->BlocksWithin(at, micros, s.maxSpeed, end);
    break;
  }
  return at - from;
}

void DriveTimingHead::Advance(const SpeedSegments& speeds, double nowMicros) {
  if (!valid_ || nowMicros <= headTime_) return;
  const std::int32_t leadOut = speeds.empty() ? head_ : speeds.back().endLba;
  const std::int32_t cache = static_cast<std::int32_t>(model_->Timing().cacheBlocks);
  const std::int32_t room = std::max(0, cache - (head_ - deliveredEnd_));
  const std::int32_t limit = std::max(head_, std::min(leadOut, head_ + room));
  const std::int32_t m = BlocksWithin(speeds, head_, nowMicros - headTime_, limit);
  if (head_ + m >= limit) {
    head_ = limit;          // the cache is full (or the lead-out reached): the drive waits
    headTime_ = nowMicros;  // and reads on from now
  } else {
    headTime_ += PassMicros(speeds, head_, head_ + m);
    head_ += m;
  }
  cacheStart_ = std::max(cacheStart_, head_ - cache);
}

double DriveTimingHead::Seek(const SpeedSegments& speeds, std::int32_t lba, double nowMicros) {
  const DriveTiming& t = model_->Timing();
  Advance(speeds, nowMicros);
  const double overhead = static_cast<double>(t.commandOverheadMicros);
  // The head goes to the block and reads on from there; what the cache held is dropped,
  // so a timed read that follows a SEEK starts from the disc, not from the cache.
  const double move = model_->SeekMicros(valid_ ? head_ : 0, lba);
  valid_ = true;
  head_ = cacheStart_ = deliveredEnd_ = lba;
  headTime_ = nowMicros + overhead + move;
  return overhead + move;
}

double DriveTimingHead::Read(const SpeedSegments& speeds, std::int32_t from, std::int32_t to,
                             double nowMicros, std::uint32_t bytesPerBlock) {
  const DriveTiming& t = model_->Timing();
  Advance(speeds, nowMicros);
  const double overhead = static_cast<double>(t.commandOverheadMicros);
  double end;
  if (valid_ && from >= cacheStart_ && from <= head_) {
    const std::int32_t cachedEnd = std::min(to, head_);
    const double cachedBytes = static_cast<double>(cachedEnd - from) * bytesPerBlock;
    const double rate = static_cast<double>(std::max<std::uint64_t>(t.interfaceBytesPerSecond, 1));
    end = nowMicros + overhead + cachedBytes / rate * 1e6;
    discStart_ = std::max(from, std::min(to, head_));
    if (to > head_) {
      const double diskEnd = headTime_ + PassMicros(speeds, head_, to);
      end = std::max(end, diskEnd);
      headTime_ = diskEnd;
      head_ = to;
    }
  } else {
    const std::int32_t origin = valid_ ? head_ : 0;
    end = nowMicros + overhead + model_->SeekMicros(origin, from) +
          model_->LatencyMicros(from, MaxSpeedAt(speeds, from)) + PassMicros(speeds, from, to);
    valid_ = true;
    cacheStart_ = from;
    discStart_ = from;
    head_ = to;
    headTime_ = end;
  }
  deliveredEnd_ = to;
  cacheStart_ = std::max(cacheStart_, head_ - static_cast<std::int32_t>(t.cacheBlocks));
  return end - nowMicros;
}

}  // namespace sim
