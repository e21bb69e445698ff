// Faults a simulated drive can be told to show.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// Blocks [firstLba, firstLba + blocks) cannot be read: a read touching them fails with
// MEDIUM ERROR 03/11/00 (unrecovered read error). After `recoverAfterTries` failing reads
// of the range the next read succeeds; a negative value means never.
struct MediumErrorRange {
  std::int32_t firstLba = 0;
  std::int32_t blocks = 1;
  int recoverAfterTries = -1;
  int triesSoFar = 0;  // failing reads so far (the drive counts)
};

// Blocks [firstLba, firstLba + blocks) read only after the drive retried: every read that
// delivers one of them takes `retryMicros` longer for each such block.
struct WeakRange {
  std::int32_t firstLba = 0;
  std::int32_t blocks = 1;
  std::uint64_t retryMicros = 100'000;
};

struct DriveFaults {
  std::vector<MediumErrorRange> mediumErrors;
  std::vector<WeakRange> weakSectors;
  std::uint32_t busyCommands = 0;     // the next n commands get status BUSY (08h)
  std::uint32_t abortedCommands = 0;  // the next n commands get ABORTED COMMAND 0B/00/06
  // The disc is pulled out when a read reaches this LBA: that read and all later commands
  // see no medium (02/3A/00).
  std::optional<std::int32_t> removeDiscAtLba;
  // The drive vanishes after this many further commands (0: at once); from then on no
  // command gets any response.
  std::optional<std::uint32_t> vanishAfterCommands;
  // The drive stops answering after this many further commands (0: at once): every later
  // command takes kHangMicros and then gets no response, so a transport with a time-out
  // sees it time out.
  std::optional<std::uint32_t> hangAfterCommands;
  static constexpr std::uint64_t kHangMicros = 600'000'000;  // ten minutes
};

}  // namespace sim
