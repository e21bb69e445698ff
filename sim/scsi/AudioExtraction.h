// How a simulated drive extracts audio: whether it reads CD-DA at all, what its C2 error
// pointers deliver, whether READ(12) reads audio and honours force unit access, and which
// sectors of the disc in it are damaged so that they read differently on each try.
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

enum class C2Pointers {
  NotSupported,  // not claimed; READ CD with a C2 field is refused (05/24/00)
  Exact,         // claimed; the bits flag exactly the bytes that read wrong
  Missing,       // claimed; every bit is zero
  FalseAlarms,   // claimed; flags what read wrong and also good sectors (falseAlarmEvery)
};

// What the drive does with READ CD of audio before the first sector (into the lead-in) or
// past the last (into the lead-out).
enum class Overread {
  Refused,  // 05/21/00 LOGICAL BLOCK ADDRESS OUT OF RANGE
  Allowed,  // up to kOverreadBlocks beyond the end: digital silence
  Stalls,   // no answer: the command runs into the host's time-out
};
inline constexpr std::int32_t kOverreadBlocks = 150;

struct AudioExtraction {
  bool cdda = true;  // page 2Ah byte 5 bit 0; false: audio sectors are refused 05/64/00
  bool accurateStreamClaimed = true;  // page 2Ah byte 5 bit 1, whatever the reads do
  C2Pointers c2 = C2Pointers::NotSupported;
  // FalseAlarms: every sector whose LBA is a multiple of this is flagged although it reads
  // right (0: none).
  std::int32_t falseAlarmEvery = 0;
  bool read12OnAudio = true;   // false: READ(12) of audio sectors is refused 05/64/00
  bool fuaHonoured = true;     // READ(12) with FUA reads from the disc, not the cache
  bool cdReadFeature = false;  // GET CONFIGURATION lists feature 001Eh (CD Read)
  // Sectors whose samples come off the disc differently on every read from the disc (a
  // re-read from the cache repeats the last). The C2 bits, where delivered, flag the bytes
  // that differ from the recorded samples.
  std::vector<std::int32_t> damagedSectors;
  // Where its reads start: an audio read of block L delivers the disc's samples from sample
  // L * 588 + readOffsetSamples on (silence outside the disc), and a read whose first block
  // is a multiple of jitterEvery (0: none) starts jitterSamples further still.
  std::int32_t readOffsetSamples = 0;
  std::int32_t jitterSamples = 0;
  std::int32_t jitterEvery = 0;
  Overread leadIn = Overread::Refused;
  Overread leadOut = Overread::Refused;

  bool ClaimsC2() const { return c2 != C2Pointers::NotSupported; }
  bool Damaged(std::int32_t lba) const {
    for (std::int32_t d : damagedSectors)
      if (d == lba) return true;
    return false;
  }
  // The samples a read starting at block `first` is shifted by.
  std::int32_t ShiftAt(std::int32_t first) const {
    const bool jitters = jitterEvery > 0 && first % jitterEvery == 0;
    return readOffsetSamples + (jitters ? jitterSamples : 0);
  }
  bool FalseAlarmAt(std::int32_t lba) const {
    return c2 == C2Pointers::FalseAlarms && falseAlarmEvery > 0 && lba % falseAlarmEvery == 0 &&
           !Damaged(lba);
  }
};

// The bytes a damaged sector gets wrong on its `read`-th read from the disc (1, 2, …): eight
// positions that move from read to read, each XORed with a non-zero value.
struct DamagedBytes {
  static constexpr int kCount = 8;
  std::uint32_t position[kCount];
  std::uint8_t mask[kCount];
};
DamagedBytes DamageOf(std::int32_t lba, int read);

}  // namespace sim
