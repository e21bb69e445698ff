// A small scriptable drive for the drive-access tests: it answers INQUIRY for discovery,
// serves reads with a known pattern and injected medium errors, answers MODE SENSE with
// reply bytes a test writes by hand, and records every other command it receives.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "sim/scsi/ScsiTarget.h"

namespace drivetest {

struct ReceivedCdb {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  sim::DataDirection direction = sim::DataDirection::None;
  std::uint32_t dataLength = 0;
  std::vector<std::uint8_t> dataOut;

  std::uint8_t opcode() const { return cdb[0]; }
  // The first block and block count of a read command (READ(10), READ CD, READ CD MSF).
  std::int32_t ReadLba() const;
  std::uint32_t ReadBlocks() const;
};

// Blocks [first, first + count) fail with 03/11/00 for the next `failures` reads that
// touch them; a negative count fails for ever.
struct BadRange {
  std::int32_t first = 0;
  std::int32_t count = 1;
  int failures = -1;
};

class FakeDrive : public sim::ScsiTarget {
 public:
  // Byte `index` of block `lba` as the drive returns it for a read of `blockSize` bytes.
  static std::uint8_t Pattern(std::int32_t lba, std::uint32_t index, std::uint32_t blockSize);

  // Any command that nothing else answers: GOOD with zero-filled data (true), or
  // CHECK CONDITION 05/20/00 (false, the default).
  void AcceptAll(bool on);
  // MODE SENSE answers: `reply` for (opcode 1Ah or 5Ah, page); pages not set fail 05/24/00.
  void SetModeReply(std::uint8_t opcode, std::uint8_t page, std::vector<std::uint8_t> reply);
  void RejectOpcode(std::uint8_t opcode);  // 05/20/00 for this opcode
  void AddBadRange(BadRange range);

  // Every command except INQUIRY, in order.
  std::vector<ReceivedCdb> Commands() const;
  std::vector<ReceivedCdb> ReadCommands() const;
  void Clear();

  sim::ScsiReply Execute(const sim::ScsiRequest& request) override;

 private:
  sim::ScsiReply Read(const sim::ScsiRequest& request, const ReceivedCdb& command);

  mutable std::mutex mutex_;
  bool acceptAll_ = false;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::uint8_t>> modeReplies_;
  std::vector<std::uint8_t> rejected_;
  std::vector<BadRange> bad_;
  std::vector<ReceivedCdb> commands_;
};

}  // namespace drivetest
