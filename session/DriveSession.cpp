#include "session/DriveSession.h"

#include "scsi/Opcodes.h"
#include "scsi/ReadCdFlags.h"
#include "scsi/SenseCodes.h"
#include "scsi/Streaming.h"
#include "transport/wnaspi32.h"

namespace session {
namespace {

constexpr WORD kTocLength = 12;  // header and the lead-out's descriptor

std::uint32_t Be32(const BYTE* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

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

const Medium& DriveSession::ReadMedium(SenseResult* sense) {
  medium_ = Medium{};
  if (device_.ReadsDvd == 0) return medium_;
  BYTE reply[kConfigurationLength] = {};
  std::uint16_t profile = 0;
  if (drive_.GetConfiguration(device_, kCurrentFeatures, 0, reply, kConfigurationLength, sense) !=
          SS_COMP ||
      !scsi::CurrentProfile(reply, sizeof reply, profile) || profile == 0)
    return medium_;  // no current profile: a CD, as every drive's disc was taken to be
  medium_.profile = profile;
  medium_.name = scsi::ProfileName(profile);
  medium_.family = scsi::FamilyOf(profile);
  if (medium_.family == scsi::MediumFamily::CD) return medium_;
  medium_.layers.reset();
  if (medium_.family != scsi::MediumFamily::DVD) return medium_;
  BYTE structure[scsi::kPhysicalFormatLength] = {};
  if (drive_.ReadDiscStructure(device_, scsi::kDvdMediaType, 0, 0, scsi::kPhysicalFormat, structure,
                               sizeof structure, sense) != SS_COMP)
    return medium_;
  if (const auto layers = scsi::ParsePhysicalFormat(structure, sizeof structure)) {
    medium_.layers = layers->layers;
    medium_.trackPath = layers->trackPath;
    medium_.layerBreak = layers->layerBreak;
  }
  return medium_;
}

BYTE DriveSession::ReadRecordedBlocks(std::int64_t& blocks, SenseResult* sense) {
  if (medium_.family == scsi::MediumFamily::CD) return ReadLeadOut(blocks, sense);
  BYTE reply[kReadCapacityReplySize] = {};
  const BYTE status = drive_.ReadCapacity(device_, reply, sense);
  if (status == SS_COMP) blocks = std::int64_t{Be32(reply)} + 1;
  return status;
}

BYTE DriveSession::SetReadSpeed(WORD readKBps, SenseResult* sense, SpeedRepeat repeat) {
  BYTE status = drive_.SetSpeed(device_, readKBps, kMaximumSpeed, sense);
  if (status == SS_COMP || repeat == SpeedRepeat::Always)
    status = drive_.SetSpeed(device_, readKBps, kMaximumSpeed, sense);
  return status;
}

bool DriveSession::StreamsInRealTime(SenseResult* sense) {
  BYTE reply[16] = {};
  return drive_.GetConfiguration(device_, kOneFeature, scsi::kRealTimeStreamingFeature, reply,
                                 sizeof reply, sense) == SS_COMP &&
         scsi::FeatureCurrent(reply, sizeof reply, scsi::kRealTimeStreamingFeature);
}

BYTE DriveSession::SetStreamingSpeed(std::uint32_t kiloBytesPerSecond, std::uint32_t lastLba,
                                     SenseResult* sense) {
  scsi::PerformanceDescriptor descriptor = scsi::SteadyPerformance(lastLba, kiloBytesPerSecond);
  return drive_.SetStreaming(device_, descriptor, sense);
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
