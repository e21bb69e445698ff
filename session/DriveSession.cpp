#include "session/DriveSession.h"

#include "scsi/Opcodes.h"
#include "scsi/ReadCdFlags.h"
#include "scsi/SenseCodes.h"
#include "transport/wnaspi32.h"

namespace session {
namespace {

constexpr WORD kTocLength = 12;  // header and the lead-out's descriptor

}  // namespace

Readiness DriveSession::CheckReady(SenseResult* sense, BYTE* status) {
  const BYTE answer = drive_.TestUnitReady(device_, sense);
  if (status != nullptr) *status = answer;
  if (answer == SS_COMP) return Readiness::Ready;
  if (NoMedium(*sense)) return Readiness::NoDisc;
  if (scsi::IsBecomingReady(SenseOf(*sense))) return Readiness::BecomingReady;
  if (drive_.StoppedResponding(device_)) return Readiness::NotResponding;
  return Readiness::Failed;
}

BYTE DriveSession::ReadLeadOut(std::int64_t& leadOut, SenseResult* sense) {
  BYTE toc[kTocLength] = {};
  const BYTE status = drive_.ReadToc(device_, 0, scsi::kLeadOutTrack, 0, toc, kTocLength, sense);
  if (status != SS_COMP) return status;
  leadOut = static_cast<std::int64_t>(static_cast<std::int32_t>(
      DWORD{toc[8]} << 24 | DWORD{toc[9]} << 16 | DWORD{toc[10]} << 8 | toc[11]));
  return status;
}

BYTE DriveSession::SetReadSpeed(WORD readKBps, SenseResult* sense, SpeedRepeat repeat) {
  BYTE status = drive_.SetSpeed(device_, readKBps, kMaximumSpeed, sense);
  if (status == SS_COMP || repeat == SpeedRepeat::Always)
    status = drive_.SetSpeed(device_, readKBps, kMaximumSpeed, sense);
  return status;
}

BYTE DriveSession::SpinUp(ReadRequest& request, DWORD blocks, const std::function<void()>& onRaw) {
  BYTE status = SS_COMP;
  for (int pass = 0; pass < kSpinUpPasses; ++pass) {
    drive_.Seek10(device_, request.startLba, request.sense);
    asFound_.SetBlockLength(static_cast<WORD>(request.blockSize), request.sense);
    request.blockCount = blocks;
    *request.sense = SenseResult{};
    status = drive_.ReadBlocks(&request);
    if (status != SS_COMP && IllegalMode(*request.sense) && !IsRaw(request)) {
      SwitchToRaw(request);
      if (onRaw) onRaw();
    }
  }
  return status;
}

BYTE DriveSession::Seek(LONG lba, SenseResult* sense) {
  return drive_.Seek10(device_, lba, sense);
}

ReadRequest DriveSession::NewReadRequest(DeviceEntry& device, LONG start, DWORD blocks, bool raw,
                                         BYTE* commandBuffer, DWORD blocksPerCommand,
                                         BYTE* blockStatus, SenseResult* sense) {
  ReadRequest r{};
  r.device = &device;
  r.startLba = start;
  r.blockCount = blocks;
  r.blocksDone = 0;
  r.rangeBuffer = nullptr;
  r.commandBuffer = commandBuffer;
  r.blockSize = raw ? kRawBlockSize : kDataBlockSize;
  r.sense = sense;
  r.readMode = raw ? kReadModeReadCD : kReadModeRead10;
  r.sectorType = 0;  // any sector type
  r.readCdFlags = scsi::kReadCdWholeSector;
  r.subChannel = 0;
  r.blocksPerCommand = blocksPerCommand;
  r.blockStatus = blockStatus;
  r.user = nullptr;
  return r;
}

void DriveSession::SwitchToRaw(ReadRequest& request) {
  request.blockSize = kRawBlockSize;
  request.readMode = kReadModeReadCD;
}

bool DriveSession::IllegalMode(const SenseResult& sense) {
  return scsi::KeyAndAsc(SenseOf(sense), scsi::key::kIllegalRequest,
                         scsi::asc::kIllegalModeForThisTrack);
}

bool DriveSession::NoMedium(const SenseResult& sense) {
  return scsi::IsNoMedium(SenseOf(sense));
}

bool DriveSession::NotReady(const SenseResult& sense) {
  return scsi::KeyAndAsc(SenseOf(sense), scsi::key::kNotReady,
                         scsi::asc::kNotReadyCauseNotReportable);
}

}  // namespace session
