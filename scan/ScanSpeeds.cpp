// The speed steps of the disc scan: the capabilities summary from page 2Ah, the speeds
// GET PERFORMANCE lists, and a requested speed with what the drive took and delivers.
#include <algorithm>
#include <set>

#include "drive/InitMMCSeq.h"
#include "report/SpeedUnits.h"
#include "scan/DiscScan.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

constexpr WORD kMaxDescriptors = 64;
constexpr DWORD kPerformanceHeader = 8;
constexpr DWORD kDescriptorLength = 16;
constexpr DWORD kCapabilitiesBytes = 16;        // up to the current read speed
constexpr std::int64_t kMeasuredBlocks = 4500;  // one minute of the disc at 1x

DWORD Be16(const BYTE* p) {
  return DWORD{p[0]} << 8 | p[1];
}
DWORD Be32(const BYTE* p) {
  return DWORD{p[0]} << 24 | DWORD{p[1]} << 16 | DWORD{p[2]} << 8 | p[3];
}

// Page 2Ah from the drive, or null; `status` is the MODE SENSE status.
const BYTE* CapabilitiesPage(FileMMCSeq& drive, DeviceEntry& device, BYTE* reply,
                             SenseResult& sense, BYTE& status) {
  BYTE layout = kModeLayoutNone;
  status = drive.ModeSenseAuto(device, kPageCapabilities, kModeReplySize, reply, &sense, layout);
  if (status != SS_COMP) return nullptr;
  bool match = false;
  const BYTE* page =
      InitMMCSeq::FindModePage(reply, kModeReplySize, layout, kPageCapabilities, match);
  if (page == nullptr || !match || page[1] + 2u < kCapabilitiesBytes) return nullptr;
  // The page must lie wholly inside the reply buffer.
  if (page + kCapabilitiesBytes > reply + kModeReplySize) return nullptr;
  return page;
}

}  // namespace

void DiscScan::Info(report::ScanRecord& record) {
  Note("Reading the capabilities page (MODE SENSE 2Ah)");
  BYTE reply[kModeReplySize] = {};
  BYTE status = SS_COMP;
  sense_ = SenseResult{};
  const BYTE* page = CapabilitiesPage(drive_, device_, reply, sense_, status);
  if (page == nullptr) {
    Refused(record, "MODE SENSE page 2Ah", status == SS_COMP ? SS_ERR : status, true);
    return;
  }
  report::DriveSpeedInfo info;
  info.cddaSupported = (page[5] & 0x01) != 0;
  info.cddaAccurate = (page[5] & 0x02) != 0;
  info.c2Pointers = (page[5] & 0x10) != 0;
  info.maxReadKBps = static_cast<int>(Be16(page + 8));
  info.bufferKB = static_cast<int>(Be16(page + 12));
  info.currentReadKBps = static_cast<int>(Be16(page + 14));
  record.info = info;
}

std::optional<int> DiscScan::MaximumReadKBps() {
  BYTE reply[kModeReplySize] = {};
  BYTE status = SS_COMP;
  SenseResult sense{};
  const BYTE* page = CapabilitiesPage(drive_, device_, reply, sense, status);
  if (page == nullptr) return std::nullopt;
  return static_cast<int>(Be16(page + 8));
}

void DiscScan::JudgeAverage(report::CurveResult& curve) {
  double blocks = 0, micros = 0;
  for (const report::ScanSample& s : curve.samples) {
    blocks += s.blocks;
    micros += static_cast<double>(s.micros);
  }
  if (micros <= 0) return;
  curve.averageSpeedX = blocks / (micros * 1e-6) / BlocksPerSecondAt1x();
  if (const std::optional<int> max = MaximumReadKBps(); max && *max > 0)
    curve.driveMaxX = report::XForKiloBytes(*max, Family());
  if (curve.driveMaxX && start_ == 0 && blocks_ == leadOut_)
    curve.heldDown = *curve.averageSpeedX < *curve.driveMaxX / 2;
}

void DiscScan::Speeds(report::ScanRecord& record) {
  Note("Asking for the speeds the drive offers (GET PERFORMANCE)");
  record.speedsAsked = true;
  std::vector<BYTE> reply(kPerformanceHeader + kMaxDescriptors * kDescriptorLength, 0);
  sense_ = SenseResult{};
  const BYTE status =
      drive_.GetPerformance(device_, kWriteSpeedDescriptors, 0, 0, kMaxDescriptors, reply.data(),
                            static_cast<DWORD>(reply.size()), &sense_);
  if (status != SS_COMP) {
    Refused(record, "GET PERFORMANCE", status, true);
    return;
  }
  const DWORD length = Be32(reply.data());
  const DWORD count =
      std::min<DWORD>(length >= 4 ? (length - 4) / kDescriptorLength : 0, kMaxDescriptors);
  std::set<int, std::greater<int>> speeds;
  for (DWORD i = 0; i < count; ++i) {
    const DWORD kbps = Be32(reply.data() + kPerformanceHeader + i * kDescriptorLength + 8);
    if (kbps > 0 && kbps < 0x10000) speeds.insert(static_cast<int>(kbps));
  }
  record.speedsKBps = std::vector<int>(speeds.begin(), speeds.end());
}

void DiscScan::RequestSpeed(report::ScanRecord& record) {
  if (!settings_.speedX) return;
  report::SpeedRequest request;
  request.requestedX = *settings_.speedX;
  record.speed = request;
  if (!Prepare(record)) return;  // sets the requested speed

  BYTE reply[kModeReplySize] = {};
  BYTE status = SS_COMP;
  sense_ = SenseResult{};
  if (const BYTE* page = CapabilitiesPage(drive_, device_, reply, sense_, status)) {
    record.speed->takenX = report::XForKiloBytes(Be16(page + 14), Family());
  } else {
    Refused(record, "MODE SENSE page 2Ah", status == SS_COMP ? SS_ERR : status, true);
  }

  // Measured over the end of the range, where every strategy runs at its top speed.
  const std::int64_t per = settings_.blocksPerCommand;
  const std::int64_t count = std::min(blocks_, (kMeasuredBlocks + per - 1) / per * per);
  const std::int64_t from = start_ + blocks_ - count;
  Note("Measuring the speed taken");
  drive_.Seek10(device_, static_cast<LONG>(from), &sense_);
  const std::optional<std::int64_t> micros = TimedRead(from, count);
  if (!micros || *micros <= 0) {
    Refused(record, raw_ ? "READ CD" : "READ(10)", SS_ERR, true);
    return;
  }
  record.speed->measuredX = static_cast<double>(count) / (*micros * 1e-6) / BlocksPerSecondAt1x();
  record.speed->measuredStart = from;
  record.speed->measuredBlocks = count;
}

}  // namespace scan
