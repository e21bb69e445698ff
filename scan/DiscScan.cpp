#include "scan/DiscScan.h"

#include <algorithm>
#include <cstdio>

#include "report/SpeedUnits.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

constexpr DWORD kSpinUpBlocks = 10;
constexpr int kSpinUpPasses = 5;
constexpr WORD kMaximumSpeed = 0xFFFF;
constexpr WORD kTocLength = 12;  // header and the lead-out's descriptor

bool IllegalMode(const SenseResult& s) {
  return s.SenseKey == 0x05 && s.ASC == 0x64;
}

}  // namespace

DiscScan::DiscScan(FileMMCSeq& drive, DeviceEntry& device, ScanSettings settings,
                   ScanObserver observer)
    : drive_(drive),
      device_(device),
      settings_(std::move(settings)),
      observer_(std::move(observer)),
      asFound_(drive, device),
      raw_(settings_.raw) {
  if (settings_.blocksPerCommand == 0) settings_.blocksPerCommand = 27;
  buffer_.resize(std::size_t{settings_.blocksPerCommand} * 2352);
  blockStatus_.resize(settings_.blocksPerCommand);
}

std::uint64_t DiscScan::Now() const {
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return static_cast<std::uint64_t>(count.QuadPart);
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

BYTE DiscScan::Read(std::int64_t lba, std::int64_t count) {
  ReadRequest r{};
  r.device = &device_;
  r.startLba = static_cast<LONG>(lba);
  r.blockCount = static_cast<DWORD>(count);
  r.commandBuffer = buffer_.data();
  r.blockSize = raw_ ? 2352 : 2048;
  r.sense = &sense_;
  r.readMode = raw_ ? kReadModeReadCD : kReadModeRead10;
  r.sectorType = 0;
  r.readCdFlags = 0xF8;
  r.subChannel = 0;
  r.blocksPerCommand = settings_.blocksPerCommand;
  r.blockStatus = blockStatus_.data();
  r.onCommandError = ReadCallback::Bind<DiscScan, &DiscScan::StopOnError>(this);
  sense_ = SenseResult{};
  return drive_.ReadBlocks(&r);
}

std::optional<std::int64_t> DiscScan::TimedRead(std::int64_t lba, std::int64_t count) {
  const std::uint64_t begin = Now();
  if (Read(lba, count) != SS_COMP) return std::nullopt;
  return static_cast<std::int64_t>(Now() - begin);
}

bool DiscScan::ReadRecordedArea(report::ScanRecord& record) {
  BYTE toc[kTocLength] = {};
  sense_ = SenseResult{};
  const BYTE status = drive_.ReadToc(device_, 0, 0xAA, 0, toc, kTocLength, &sense_);
  if (status != SS_COMP) {
    Refused(record, "READ TOC", status, true);
    return false;
  }
  leadOut_ = static_cast<std::int64_t>(static_cast<std::int32_t>(
      DWORD{toc[8]} << 24 | DWORD{toc[9]} << 16 | DWORD{toc[10]} << 8 | toc[11]));
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
  const WORD speed = settings_.speedX ? report::KiloBytesForX(*settings_.speedX) : kMaximumSpeed;
  Note(settings_.speedX ? "Set CD Speed" : "Set CD Speed (maximum)");
  sense_ = SenseResult{};
  BYTE status = drive_.SetSpeed(device_, speed, kMaximumSpeed, &sense_);
  if (status == SS_COMP) status = drive_.SetSpeed(device_, speed, kMaximumSpeed, &sense_);
  if (status != SS_COMP) Refused(record, "SET CD SPEED", status, settings_.speedX.has_value());

  Note("Spinning up the drive");
  BYTE spin = SS_COMP;
  for (int pass = 0; pass < kSpinUpPasses; ++pass) {
    drive_.Seek10(device_, static_cast<LONG>(start_), &sense_);
    asFound_.SetBlockLength(static_cast<WORD>(raw_ ? 2352 : 2048), &sense_);
    spin = Read(start_, std::min<std::int64_t>(kSpinUpBlocks, blocks_));
    if (spin != SS_COMP && IllegalMode(sense_) && !raw_) {
      raw_ = true;
      Note("Reading raw: these blocks hold no user data");
    }
  }
  if (spin != SS_COMP) {
    Refused(record, raw_ ? "READ CD" : "READ(10)", spin, true);
    return false;
  }
  prepared_ = true;
  return true;
}

}  // namespace scan
