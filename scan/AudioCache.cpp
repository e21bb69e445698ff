// The audio check's cache and force unit access: a re-read counts as coming off the disc when
// it costs at least one rotation at the range's radius, the rotation worked out from the time
// the disc took to pass one command's blocks there.
#include <algorithm>
#include <functional>

#include "scan/AudioCheck.h"
#include "scan/CdGeometry.h"
#include "transport/wnaspi32.h"

namespace scan {

void AudioCheck::Cache(report::AudioCheckRecord& record) {
  report::CacheFinding& cache = record.cache;
  // The disc's own pace: after a first command that waits for the disc, two that stream on.
  sense_ = SenseResult{};
  session_.Seek(static_cast<LONG>(start_), &sense_);
  const std::int64_t streamed = std::min<std::int64_t>(
      2 * kAudioCommandBlocks,
      (audioEnd_ - start_ - kAudioCommandBlocks) / kAudioCommandBlocks * kAudioCommandBlocks);
  std::optional<double> first = TimedRead(start_, kAudioCommandBlocks);
  double micros = 0.0;
  for (std::int64_t at = start_ + kAudioCommandBlocks;
       first && at < start_ + kAudioCommandBlocks + streamed; at += kAudioCommandBlocks) {
    const std::optional<double> t = TimedRead(at, kAudioCommandBlocks);
    if (!t)
      first.reset();
    else
      micros += *t;
  }
  if (!first || streamed <= 0 || micros <= 0.0) {
    cache.note = "the range was not read: " + SenseText();
    return;
  }
  cache.streamMicros = micros * kAudioCommandBlocks / static_cast<double>(streamed);
  const double speedX = kAudioCommandBlocks / (cache.streamMicros * 1e-6) / kBlocksPerSecond;
  rotationMicros_ = 60e6 / CdGeometry::RpmAt(static_cast<double>(start_), speedX);
  cache.rotationMicros = rotationMicros_;

  // Re-read at once after the range's first command was read from the disc.
  if (!EmptyCache() || !TimedRead(start_, kAudioCommandBlocks) || !(cache.reread = Reread())) {
    cache.note = "the re-read failed: " + SenseText();
    return;
  }
  cache.tested = true;
  cache.caches = !cache.reread->fromDisc;
  ++cache.trials;
  if (cache.caches) {
    cache.hitBlocks = kAudioCommandBlocks;
    CacheSize(cache);
  }
}

std::optional<bool> AudioCheck::CachedAfter(std::int64_t distance) {
  if (!EmptyCache() || !Read(start_, distance)) return std::nullopt;
  const std::optional<report::RereadTime> reread = Reread();
  if (!reread) return std::nullopt;
  return !reread->fromDisc;
}

void AudioCheck::CacheSize(report::CacheFinding& cache) {
  const std::int64_t step = kAudioCommandBlocks;
  const std::int64_t largest =
      std::min(settings_.largestCacheBlocks, audioEnd_ - start_) / step * step;
  // Double the distance until the start is no longer in the cache, then halve the gap
  // between the last hit and the first miss down to one command.
  for (std::int64_t d = std::min(2 * step, largest); !cache.missBlocks && cache.hitBlocks < largest;
       d = std::min(2 * d, largest)) {
    const std::optional<bool> hit = CachedAfter(d);
    ++cache.trials;
    if (!hit) {
      cache.note = "a read for the cache's size failed: " + SenseText();
      return;
    }
    if (*hit)
      cache.hitBlocks = d;
    else
      cache.missBlocks = d;
  }
  while (cache.missBlocks && *cache.missBlocks - cache.hitBlocks > step) {
    const std::int64_t mid =
        cache.hitBlocks + (*cache.missBlocks - cache.hitBlocks) / step / 2 * step;
    const std::optional<bool> hit = CachedAfter(mid);
    ++cache.trials;
    if (!hit) {
      cache.note = "a read for the cache's size failed: " + SenseText();
      return;
    }
    if (*hit)
      cache.hitBlocks = mid;
    else
      cache.missBlocks = mid;
  }
}

void AudioCheck::CacheDefeats(report::AudioCheckRecord& record) {
  report::CacheFinding& cache = record.cache;
  if (!cache.tested || !cache.caches) return;
  const auto defeat = [&](const char* method, const std::function<bool()>& between) {
    report::CacheDefeat d{method, std::nullopt, {}};
    if (!EmptyCache() || !TimedRead(start_, kAudioCommandBlocks) || !between() ||
        !(d.reread = Reread()))
      d.note = "a read failed: " + SenseText();
    cache.defeats.push_back(d);
  };
  defeat("read far away", [this] { return EmptyCache(); });
  if (start_ - kAudioCommandBlocks >= audioStart_) {
    defeat("read just before the range", [this] {
      return TimedRead(start_ - kAudioCommandBlocks, kAudioCommandBlocks).has_value();
    });
  } else {
    cache.defeats.push_back(
        {"read just before the range", std::nullopt, "the range starts where the audio starts"});
  }
  report::CacheDefeat fua{"FUA", std::nullopt, {}};
  if (record.fua.fuaMicros)
    fua.reread =
        report::RereadTime{*record.fua.fuaMicros, *record.fua.fuaMicros >= rotationMicros_};
  else
    fua.note = record.fua.note.empty() ? record.fua.sense : record.fua.note;
  cache.defeats.push_back(fua);
}

void AudioCheck::Fua(report::AudioCheckRecord& record) {
  report::FuaFinding& fua = record.fua;
  if (!record.cache.tested) {
    fua.note = "the cache was not measured";
    return;
  }
  // READ(12) reads at the block length in force: 2,352 bytes for audio, as raw reading sets it.
  sense_ = SenseResult{};
  session_.SetBlockLength(static_cast<WORD>(scsi::kCdSectorBytes), &sense_);
  const auto timedRead12 = [this](bool forceUnitAccess) -> std::optional<double> {
    sense_ = SenseResult{};
    const std::uint64_t begin = session::Microseconds();
    const BYTE status =
        drive_.Read12(device_, static_cast<LONG>(start_), kAudioCommandBlocks, forceUnitAccess,
                      buffer_.data(), kAudioCommandBlocks * scsi::kCdSectorBytes, &sense_);
    const std::uint64_t end = session::Microseconds();
    if (status != SS_COMP) return std::nullopt;
    return static_cast<double>(end - begin);
  };
  if (EmptyCache()) {
    fua.plainMicros = timedRead12(false);
    if (fua.plainMicros) fua.fuaMicros = timedRead12(true);
    if (!fua.fuaMicros) fua.sense = SenseText();
  } else {
    fua.sense = SenseText();
  }
  session_.Restore();
  if (!fua.fuaMicros) {
    fua.note = std::string("READ(12)") + (fua.plainMicros ? " with FUA" : "") +
               " of audio sectors refused";
    return;
  }
  if (!record.cache.caches) {
    fua.note = "the drive does not cache audio: every re-read costs a rotation, with FUA or not";
    return;
  }
  fua.verdict = *fua.fuaMicros >= rotationMicros_ ? report::FuaVerdict::Honoured
                                                  : report::FuaVerdict::Ignored;
}

}  // namespace scan
