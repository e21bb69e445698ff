#include "scan/DiscScan.h"

#include <algorithm>
#include <cstdio>

#include "report/MediumUnits.h"
#include "report/SpeedUnits.h"
#include "session/ReadClock.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {}  // namespace

DiscScan::DiscScan(FileMMCSeq& drive, DeviceEntry& device, ScanSettings settings,
                   ScanObserver observer)
    : drive_(drive),
      device_(device),
      settings_(std::move(settings)),
      observer_(std::move(observer)),
      session_(drive, device),
      raw_(settings_.raw) {
  if (settings_.blocksPerCommand == 0) settings_.blocksPerCommand = 27;
  buffer_.resize(std::size_t{settings_.blocksPerCommand} * 2352);
  blockStatus_.resize(settings_.blocksPerCommand);
}

std::uint64_t DiscScan::Now() const {
  return session::Microseconds();
}

void DiscScan::Note(const std::string& text) {
  if (observer_.note) observer_.note(text);
}

void DiscScan::Refused(report::ScanRecord& record, const std::string& command, BYTE status,
                       bool asked) {
  char text[96];
  if (sense_.SenseKey != 0 || sense_.ASC != 0) {
    std::snprintf(text, sizeof text, "%s refused: %02X/%02X/%02X", command.c_str(), sense_.SenseKey,
                  sense_.ASC, sense_.ASCQ);
  } else {
    std::snprintf(text, sizeof text, "%s failed (status 0x%02X)", command.c_str(), status);
  }
  record.refused.emplace_back(text);
  if (asked) record.failed = true;
  Note(text);
}

bool DiscScan::Aborting() {
  if (!abort_ && observer_.proceed && !observer_.proceed()) abort_ = true;
  return abort_;
}

BYTE DiscScan::StopOnError(ReadCallbackInfo& /*info*/) {
  return 1;
}

ReadRequest DiscScan::NewRequest(std::int64_t lba, std::int64_t count) {
  ReadRequest r = session::DriveSession::NewReadRequest(
      device_, static_cast<LONG>(lba), static_cast<DWORD>(count), raw_, buffer_.data(),
      settings_.blocksPerCommand, blockStatus_.data(), &sense_);
  r.onCommandError = ReadCallback::Bind<DiscScan, &DiscScan::StopOnError>(this);
  return r;
}

BYTE DiscScan::CommandDone(ReadCallbackInfo& /*info*/) {
  if (!abort_ && observer_.stopNow()) abort_ = true;
  return abort_ ? 1 : 0;
}

BYTE DiscScan::Read(std::int64_t lba, std::int64_t count) {
  ReadRequest r = NewRequest(lba, count);
  if (observer_.stopNow) r.onProgress = ReadCallback::Bind<DiscScan, &DiscScan::CommandDone>(this);
  sense_ = SenseResult{};
  return drive_.ReadBlocks(&r);
}

std::optional<std::int64_t> DiscScan::TimedRead(std::int64_t lba, std::int64_t count) {
  const std::uint64_t begin = Now();
  if (Read(lba, count) != SS_COMP) return std::nullopt;
  return static_cast<std::int64_t>(Now() - begin);
}

double DiscScan::BlocksPerSecondAt1x() const {
  return report::BlocksPerSecondAt1x(Family(),
                                     raw_ ? session::kRawBlockSize : session::kDataBlockSize);
}

bool DiscScan::ReadRecordedArea(report::ScanRecord& record) {
  sense_ = SenseResult{};
  const session::Medium& medium = session_.ReadMedium(&sense_);
  record.unit = medium.family;
  if (medium.family == scsi::MediumFamily::DVD && !medium.layers)
    Refused(record, "READ DISC STRUCTURE", SS_ERR, false);  // the layers stay unknown
  sense_ = SenseResult{};
  const BYTE status = session_.ReadRecordedBlocks(leadOut_, &sense_);
  if (status != SS_COMP) {
    Refused(record, medium.family == scsi::MediumFamily::CD ? "READ TOC" : "READ CAPACITY", status,
            true);
    return false;
  }
  start_ = std::max<std::int64_t>(settings_.start.value_or(0), 0);
  blocks_ = settings_.blocks.value_or(leadOut_ - start_);
  if (start_ >= leadOut_ || blocks_ <= 0) {
    record.refused.push_back("nothing to read: the range lies outside the recorded area (0 to " +
                             std::to_string(leadOut_ - 1) + ")");
    record.failed = true;
    rangeOffTheDisc_ = true;
    Note(record.refused.back());
    return false;
  }
  if (start_ + blocks_ > leadOut_) {
    blocks_ = leadOut_ - start_;
    Note("The range ends at the end of the recorded area: " + std::to_string(blocks_) + " blocks.");
  }
  return true;
}

bool DiscScan::Prepare(report::ScanRecord& record) {
  if (prepared_) return true;
  // A speed asked of a DVD or BD goes as SET STREAMING where the drive streams in real time;
  // SET CD SPEED otherwise, and after a refusal.
  bool streamed = false;
  if (settings_.speedX && Family() != scsi::MediumFamily::CD) {
    sense_ = SenseResult{};
    if (session_.StreamsInRealTime(&sense_)) {
      Note("Set Streaming");
      sense_ = SenseResult{};
      const BYTE status = session_.SetStreamingSpeed(
          report::StreamingKiloBytesForX(*settings_.speedX, Family()),
          static_cast<std::uint32_t>(std::max<std::int64_t>(leadOut_ - 1, 0)), &sense_);
      streamed = status == SS_COMP;
      if (!streamed) Refused(record, "SET STREAMING", status, false);  // SET CD SPEED follows
    }
  }
  if (record.speed) record.speed->setBy = streamed ? "SET STREAMING" : "SET CD SPEED";
  if (!streamed) {
    const WORD speed = settings_.speedX ? report::KiloBytesForX(*settings_.speedX, Family())
                                        : session::kMaximumSpeed;
    Note(settings_.speedX ? "Set CD Speed" : "Set CD Speed (maximum)");
    sense_ = SenseResult{};
    const BYTE status = session_.SetReadSpeed(speed, &sense_, session::SpeedRepeat::WhenTaken);
    if (status != SS_COMP) Refused(record, "SET CD SPEED", status, settings_.speedX.has_value());
  }

  Note("Spinning up the drive");
  ReadRequest request = NewRequest(start_, 0);
  const BYTE spin = session_.SpinUp(
      request, static_cast<DWORD>(std::min<std::int64_t>(session::kSpinUpBlocks, blocks_)), [this] {
        raw_ = true;
        Note("Reading raw: these blocks hold no user data");
      });
  if (spin != SS_COMP) {
    Refused(record, raw_ ? "READ CD" : "READ(10)", spin, true);
    return false;
  }
  prepared_ = true;
  return true;
}

}  // namespace scan
