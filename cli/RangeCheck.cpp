#include "cli/RangeCheck.h"

RangeVerdict CheckRange(std::int32_t start, std::int32_t blocks, std::int32_t capacity) {
  RangeVerdict verdict;
  verdict.blocks = blocks;
  const std::int64_t end = std::int64_t{capacity} - 2;  // the last range ends before this
  const std::string disc = "the disc records " + std::to_string(capacity) + " blocks (0 to " +
                           std::to_string(std::int64_t{capacity} - 1) + ")";
  if (blocks <= 0) {
    verdict.kind = RangeVerdict::kRefused;
    verdict.message = "--blocks: " + std::to_string(blocks) + " blocks is nothing to read";
  } else if (start < 0 || start >= capacity) {
    verdict.kind = RangeVerdict::kRefused;
    verdict.message =
        "--start: block " + std::to_string(start) + " is not on the disc: " + disc + ".";
  } else if (start >= end) {
    verdict.kind = RangeVerdict::kRefused;
    verdict.message = "--start: block " + std::to_string(start) +
                      " leaves nothing to read before the last 2 blocks of the disc: " + disc +
                      "; start at " + std::to_string(end - 1) + " or lower.";
  } else if (std::int64_t{start} + blocks > end) {
    verdict.kind = RangeVerdict::kShortened;
    verdict.blocks = static_cast<std::int32_t>(end - start);
    verdict.message = "Note: " + disc + "; the range " + std::to_string(start) + " + " +
                      std::to_string(blocks) + " blocks runs past its end, so " +
                      std::to_string(verdict.blocks) + " blocks are read (" +
                      std::to_string(start) + " to " + std::to_string(end - 1) +
                      ", ending 2 blocks before the lead-out, as the window's range does).";
  }
  return verdict;
}
