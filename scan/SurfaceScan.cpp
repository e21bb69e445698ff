// The surface scan: every block of the range read in commands of the scan's size, each
// command timed; on a CD whose drive claims and delivers C2 error pointers, with READ CD and
// the pointers, and the blocks they flag are counted. A command that fails, or takes more
// than three times what the commands before it predict (the drive retried something), is
// read again block by block, each block timed after a read far away so that no cache serves
// it: the blocks that fail are unreadable, each with its sense; those that take more than
// three times the usual block's time and at least a turn of the disc more, and again in
// four more reads beside a usual block of their command, are weak.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <vector>

#include "scan/DiscScan.h"
#include "scsi/ReadCdC2.h"
#include "scsi/Sense.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

// Commands whose time per block predicts the next one's.
constexpr std::size_t kPredictionWindow = 16;
// Commands timed before any is judged slow.
constexpr std::size_t kPredictionMinimum = 4;
// The read retry count during the scan: a block the drive reads only after many retries is
// weak, or unreadable, instead of read slowly and silently.
constexpr BYTE kSurfaceReadRetries = 1;
// What a drive's retry costs at least: a turn of the disc, at the 10,000 rpm and more of
// the fastest drives. A block slower than usual by less was not retried.
constexpr double kRetryMicros = 5000;
// Further timed reads a slow block must be slow in, beside a usual block of its command,
// before it is marked weak.
constexpr int kWeakConfirmations = 4;
// C2 error pointers as a block error byte and the bits: one byte tells a flagged sector.
constexpr scsi::C2Field kC2Field = scsi::C2Field::BlockErrorAndBits;
constexpr BYTE kC2PointersClaimed = 0x10;  // page 2Ah byte 5
constexpr std::int64_t kMaxTransferBytes = 65536;
// Stretches of the read the map's speed curve is cut into.
constexpr std::int64_t kSpeedStretches = 200;

double MiddleTime(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), mid, values.end());
  return *mid;
}

std::string SenseText(const SenseResult& sense) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", sense.SenseKey & 0x0F, sense.ASC, sense.ASCQ);
  return text;
}

}  // namespace

bool DiscScan::SurfaceGoOn(const report::SurfaceResult& surface) {
  if (abort_) return false;
  if (observer_.surface &&
      !observer_.surface(SurfaceProgress{surface.read, surface.blocks, surface.unreadableCount,
                                         surface.weakCount}))
    abort_ = true;
  return !abort_;
}

bool DiscScan::C2Delivered(std::int64_t lba) {
  if (Family() != scsi::MediumFamily::CD) return false;
  // Only a drive whose capabilities page claims C2 pointers (byte 5 bit 4) is asked for
  // them: another may answer the command with bytes that mean nothing.
  BYTE reply[kModeReplySize] = {};
  BYTE layout = kModeLayoutNone;
  SenseResult sense{};
  bool match = false;
  const BYTE* page =
      drive_.ModeSenseAuto(device_, kPageCapabilities, kModeReplySize, reply, &sense, layout) ==
              SS_COMP
          ? InitMMCSeq::FindModePage(reply, kModeReplySize, layout, kPageCapabilities, match)
          : nullptr;
  if (page == nullptr || !match || page + 6 > reply + kModeReplySize || page[1] < 4 ||
      (page[5] & kC2PointersClaimed) == 0) {
    Note("The drive does not claim C2 error pointers: no block is checked for them");
    return false;
  }
  std::vector<std::int64_t> flagged;
  if (TimedC2Read(lba, 1, flagged)) return true;
  Note("C2 error pointers are not delivered: no block is checked for them");
  return false;
}

std::optional<std::int64_t> DiscScan::TimedC2Read(std::int64_t lba, std::int64_t count,
                                                  std::vector<std::int64_t>& flagged) {
  const std::size_t bytes = static_cast<std::size_t>(count) * scsi::C2SectorBytes(kC2Field);
  if (c2Buffer_.size() < bytes) c2Buffer_.resize(bytes);
  sense_ = SenseResult{};
  const std::uint64_t begin = Now();
  const BYTE status =
      drive_.ReadCDC2(device_, 0, static_cast<LONG>(lba), static_cast<DWORD>(count), kC2Field,
                      c2Buffer_.data(), static_cast<DWORD>(c2Buffer_.size()), &sense_);
  const std::uint64_t end = Now();
  if (status != SS_COMP) return std::nullopt;
  const std::vector<scsi::C2Sector> sectors =
      scsi::ParseReadCdC2(c2Buffer_.data(), bytes, static_cast<std::uint32_t>(count), kC2Field);
  for (std::size_t k = 0; k < sectors.size(); ++k)
    if (sectors[k].Flagged()) flagged.push_back(lba + static_cast<std::int64_t>(k));
  return static_cast<std::int64_t>(end - begin);
}

std::optional<int> DiscScan::LowerReadRetries() {
  std::string why;
  SenseResult sense{};
  const std::optional<int> count = session_.SetReadRetryCount(kSurfaceReadRetries, &sense, why);
  if (!why.empty()) Note("The read retry count stays as the drive has it: " + why);
  return count;
}

// Why the scan cannot go on after a failed read, or nothing when the failure is the disc's.
std::optional<std::string> DiscScan::SurfaceStop() {
  if (abort_ || sense_.SenseKey == kSenseKeyStopped) return std::string("aborted");
  if (drive_.StoppedResponding(device_)) return std::string("the drive stopped responding");
  if (session::DriveSession::NoMedium(sense_)) return std::string("the disc was removed");
  return std::nullopt;
}

void DiscScan::Surface(report::ScanRecord& record) {
  report::SurfaceResult& surface = record.surface.emplace();
  surface.blocksPerCommand = static_cast<std::int32_t>(settings_.blocksPerCommand);
  surface.start = start_;
  surface.blocks = blocks_;
  if (!Prepare(record)) {
    surface.aborted = true;
    surface.abortReason = record.refused.empty() ? "the drive did not read" : record.refused.back();
    surface.mode = raw_ ? "raw" : "data";
    return;
  }
  surface.mode = raw_ ? "raw" : "data";
  surface.retryCount = LowerReadRetries();
  const bool c2 = C2Delivered(start_);
  // A command's data stays within the 64 KB a pass-through request carries everywhere.
  const std::int64_t per =
      c2 ? std::min<std::int64_t>(settings_.blocksPerCommand,
                                  kMaxTransferBytes / scsi::C2SectorBytes(kC2Field))
         : settings_.blocksPerCommand;
  surface.blocksPerCommand = static_cast<std::int32_t>(per);
  if (c2) surface.mode = "raw with C2 pointers";
  const double blocksPerX = BlocksPerSecondAt1x();
  const std::int64_t stretch = std::max<std::int64_t>(blocks_ / kSpeedStretches, per);
  std::deque<double> recent;  // micros per block of the latest good commands
  std::int64_t stretchLba = start_, stretchBlocks = 0, stretchMicros = 0;
  auto flushStretch = [&] {
    if (stretchBlocks == 0) return;
    const double seconds = static_cast<double>(std::max<std::int64_t>(stretchMicros, 1)) * 1e-6;
    surface.speeds.push_back(
        {stretchLba, stretchBlocks, static_cast<double>(stretchBlocks) / seconds / blocksPerX});
    stretchBlocks = stretchMicros = 0;
  };

  Note("Reading the surface: " + std::to_string(blocks_) + " blocks in commands of " +
       std::to_string(per));
  drive_.Seek10(device_, static_cast<LONG>(start_), &sense_);
  std::vector<std::int64_t> flagged;
  for (std::int64_t done = 0; done < blocks_;) {
    const std::int64_t lba = start_ + done;
    const std::int64_t count = std::min(per, blocks_ - done);
    flagged.clear();
    const std::optional<std::int64_t> micros =
        c2 ? TimedC2Read(lba, count, flagged) : TimedRead(lba, count);
    for (std::int64_t b : flagged) {
      report::AddToRuns(surface.c2, b, 1);
      ++surface.c2Count;
    }
    if (!micros && !raw_ && !c2 && session::DriveSession::IllegalMode(sense_)) {
      // Audio tracks hold no user data: from here on the scan reads raw sectors, and the
      // command is read again so.
      raw_ = true;
      surface.mode = "data, raw from LBA " + std::to_string(lba);
      Note("Reading raw from LBA " + std::to_string(lba) + ": these blocks hold no user data");
      recent.clear();
      drive_.Seek10(device_, static_cast<LONG>(lba), &sense_);
      continue;
    }
    if (!micros) {
      if (const std::optional<std::string> why = SurfaceStop()) {
        surface.aborted = true;
        surface.abortReason = *why;
        break;
      }
      if (!JudgeBlocks(surface, lba, count, MiddleTime({recent.begin(), recent.end()}))) break;
    } else {
      const double perBlock = static_cast<double>(*micros) / static_cast<double>(count);
      const double predicted = MiddleTime({recent.begin(), recent.end()});
      if (recent.size() >= kPredictionMinimum && perBlock > 3 * predicted) {
        if (!JudgeBlocks(surface, lba, count, predicted)) break;
      } else {
        recent.push_back(perBlock);
        if (recent.size() > kPredictionWindow) recent.pop_front();
        if (stretchBlocks == 0) stretchLba = lba;
        stretchBlocks += count;
        stretchMicros += *micros;
        if (stretchBlocks >= stretch) flushStretch();
      }
    }
    done += count;
    surface.read = done;
    if (!SurfaceGoOn(surface)) {
      surface.aborted = true;
      surface.abortReason = "aborted";
      break;
    }
  }
  flushStretch();
  if (surface.aborted) record.failed = true;
  if (surface.unreadableCount > 0) record.failed = true;  // the disc does not read whole
}

void DiscScan::FarFrom(std::int64_t lba) {
  // A block half the range away empties the drive's cache of the blocks at `lba`.
  const std::int64_t away = (lba - start_ + blocks_ / 2) % std::max<std::int64_t>(blocks_, 1);
  Read(start_ + away, 1);
  drive_.Seek10(device_, static_cast<LONG>(lba), &sense_);
}

bool DiscScan::SlowAgain(std::int64_t lba, std::int64_t usual) {
  // A block the drive retries is slow every time, beside a usual block read with it; a
  // pause of the host's slows both, or neither.
  for (int k = 0; k < kWeakConfirmations; ++k) {
    FarFrom(lba);
    const std::optional<std::int64_t> micros = TimedRead(lba, 1);
    FarFrom(usual);
    const std::optional<std::int64_t> reference = TimedRead(usual, 1);
    if (!micros || !reference) return false;
    const double t = static_cast<double>(*micros), r = static_cast<double>(*reference);
    if (t <= std::max(3 * r, r + kRetryMicros)) return false;
  }
  return true;
}

bool DiscScan::JudgeBlocks(report::SurfaceResult& surface, std::int64_t lba, std::int64_t count,
                           double predictedPerBlock) {
  FarFrom(lba);
  std::vector<double> times;  // each block's, -1 for an unreadable one
  for (std::int64_t b = lba; b < lba + count; ++b) {
    // A drive may take seconds over each bad block: an abort is heard between them.
    if (Aborting()) {
      surface.aborted = true;
      surface.abortReason = "aborted";
      surface.read = b - start_;
      return false;
    }
    const std::optional<std::int64_t> micros = TimedRead(b, 1);
    if (!micros) {
      if (const std::optional<std::string> why = SurfaceStop()) {
        surface.aborted = true;
        surface.abortReason = *why;
        surface.read = b - start_;
        return false;
      }
      report::AddToRuns(surface.unreadable, b, 1, SenseText(sense_));
      ++surface.unreadableCount;
      times.push_back(-1);
      continue;
    }
    times.push_back(static_cast<double>(*micros));
  }
  std::vector<double> read;
  for (double t : times)
    if (t >= 0) read.push_back(t);
  // A block read alone costs a command of its own: the slower of that and the prediction.
  // A retry costs the drive at least a turn of the disc more.
  const double usual = std::max(MiddleTime(read), predictedPerBlock);
  const double slow = std::max(3 * usual, usual + kRetryMicros);
  // The block read in the usual time, to time again beside a slow one.
  std::int64_t usualBlock = lba;
  for (std::size_t k = 0; k < times.size(); ++k)
    if (times[k] >= 0 && std::abs(times[k] - usual) <
                             std::abs(times[static_cast<std::size_t>(usualBlock - lba)] - usual))
      usualBlock = lba + static_cast<std::int64_t>(k);
  for (std::size_t k = 0; k < times.size(); ++k) {
    const std::int64_t b = lba + static_cast<std::int64_t>(k);
    if (times[k] < 0 || times[k] <= slow || !SlowAgain(b, usualBlock)) continue;
    report::AddToRuns(surface.weak, b, 1);
    ++surface.weakCount;
  }
  drive_.Seek10(device_, static_cast<LONG>(lba + count), &sense_);
  return true;
}

}  // namespace scan
