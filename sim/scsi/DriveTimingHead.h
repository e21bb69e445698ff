// Where the optical head of a simulated drive is and what its read-ahead cache holds, and
// from that how long a read or a seek takes. A read that starts where the cache's data
// (or the head) is streams on without a seek; while the host is away the drive keeps
// reading ahead until the cache is full.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/scsi/DriveTiming.h"

namespace sim {

// Blocks [startLba, endLba) are read at most at `maxSpeed` (x): one per track, from the
// track's kind and the speed chosen by SET CD SPEED.
struct SpeedSegment {
  std::int32_t startLba = 0;
  std::int32_t endLba = 0;
  double maxSpeed = 1.0;
};
using SpeedSegments = std::vector<SpeedSegment>;

class DriveTimingHead {
 public:
  explicit DriveTimingHead(const DriveTimingModel* model) : model_(model) {}

  // Nothing known: the next read or seek starts from the inside of the disc.
  void Forget();
  // SEEK to `lba` at `nowMicros`: the service time, overhead included. The cache is
  // emptied; the drive reads ahead from `lba` once the head is there.
  double Seek(const SpeedSegments& speeds, std::int32_t lba, double nowMicros);
  // READ of [from, to) at `nowMicros`, `bytesPerBlock` bytes per block to the host: the
  // service time, overhead included.
  double Read(const SpeedSegments& speeds, std::int32_t from, std::int32_t to, double nowMicros,
              std::uint32_t bytesPerBlock);

  // Microseconds the disc takes to pass [from, to) under the head.
  double PassMicros(const SpeedSegments& speeds, std::int32_t from, std::int32_t to) const;
  std::int32_t HeadLba() const { return head_; }
  // The first block of the last read that came off the disc; blocks before it came from the
  // cache (the read's end when all of it did).
  std::int32_t LastDiscStart() const { return discStart_; }
  // Empties the cache (force unit access): the next read comes off the disc, and one that
  // starts before the head waits for the disc to come round.
  void DropCache() { cacheStart_ = head_; }

 private:
  void Advance(const SpeedSegments& speeds, double nowMicros);
  std::int32_t BlocksWithin(const SpeedSegments& speeds, std::int32_t from, double micros,
                            std::int32_t limit) const;
  double MaxSpeedAt(const SpeedSegments& speeds, std::int32_t lba) const;

  const DriveTimingModel* model_;
  bool valid_ = false;             // the head position is known
  std::int32_t head_ = 0;          // the next block the disc brings under the head
  double headTime_ = 0.0;          // when the head was at head_ (reading ahead since then)
  std::int32_t cacheStart_ = 0;    // the cache holds [cacheStart_, head_)
  std::int32_t deliveredEnd_ = 0;  // the end of the last block handed to the host
  std::int32_t discStart_ = 0;     // LastDiscStart
};

}  // namespace sim
