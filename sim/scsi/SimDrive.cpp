#include "sim/scsi/SimDrive.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "scsi/Opcodes.h"
#include "scsi/Sense.h"
#include "scsi/Status.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

// The opcode table: the command list's row for each opcode, or none.
constexpr std::array<const DriveCommand*, 256> MakeOpcodeTable() {
  std::array<const DriveCommand*, 256> t{};
  for (const DriveCommand& command : kDriveCommands) {
    if (t[command.command.opcode] != nullptr) throw "an opcode listed twice";  // fails compilation
    t[command.command.opcode] = &command;
  }
  return t;
}
constexpr std::array<const DriveCommand*, 256> kOpcodes = MakeOpcodeTable();

std::uint64_t Micros(double micros) {
  return micros <= 0.0 ? 0 : static_cast<std::uint64_t>(std::llround(micros));
}

}  // namespace

void SimDriveCommand::Fail(std::uint8_t key, scsi::SenseCode code) {
  SetCheckCondition(reply, key, code);
  reply.transferred = 0;
}

void SimDriveCommand::FailAt(std::uint8_t key, scsi::SenseCode code, std::int32_t lba) {
  Fail(key, code);
  scsi::BuildSense(reply.sense, sizeof reply.sense, scsi::MakeSense(key, code),
                   scsi::SenseFormat::Fixed, static_cast<std::uint32_t>(lba));
}

std::uint32_t SimDriveCommand::Room(std::uint32_t allocation) const {
  return std::min(allocation, outCapacity);
}

void SimDriveCommand::Deliver(const std::uint8_t* bytes, std::uint32_t length,
                              std::uint32_t allocation) {
  const std::uint32_t n = std::min(length, Room(allocation));
  if (out && n) std::memcpy(out, bytes, n);
  reply.status = scsi::status::kGood;
  reply.transferred = n;
}

SpeedSegments SpeedsOf(const SimDriveState& state, const DriveTimingModel& model) {
  SpeedSegments speeds;
  if (!state.disc) return speeds;
  const DriveTiming& t = model.Timing();
  for (const Track& track : state.disc->Tracks()) {
    double max = track.kind == TrackKind::Data ? t.maxDataSpeed : t.maxAudioSpeed;
    if (t.heldSpeed > 0.0) max = std::min(max, t.heldSpeed);
    speeds.push_back(
        {track.startLba, track.startLba + track.blocks, std::min(state.chosenSpeed, max)});
  }
  return speeds;
}

namespace {

// The drive's timing on the disc it holds at power-on: a DVD's or BD's spiral and 1x.
DriveTiming TimingOnDisc(const SimDriveConfig& config) {
  if (!config.disc) return config.timing;
  const Disc& disc = *config.disc;
  const std::int32_t opposite = disc.OppositeTrackPath() ? disc.LayerBreak() : 0;
  const std::int32_t parallel = disc.OppositeTrackPath() ? 0 : disc.LayerBreak();
  switch (disc.Family()) {
    case scsi::MediumFamily::DVD:
      return WithGeometry(config.timing, disc.Layers() > 1 ? kDualLayerDvdGeometry : kDvdGeometry,
                          opposite, parallel);
    case scsi::MediumFamily::BD:
      return WithGeometry(config.timing, kBdGeometry, opposite);
    case scsi::MediumFamily::CD:
      break;
  }
  return config.timing;
}

}  // namespace

SimDrive::SimDrive(SimDriveConfig config)
    : config_(std::move(config)),
      model_(TimingOnDisc(config_)),
      state_(std::make_unique<SimDriveState>(&model_)) {
  state_->disc = config_.disc;
  state_->readyAtNextCommand = state_->disc.has_value() && !config_.discSpunUp;
  state_->blockLength = config_.blockLength == 2352 ? 2352 : 2048;
  state_->chosenSpeed = model_.Timing().maxDataSpeed;
  state_->quirks = config_.quirks;
  state_->faults = config_.faults;
  if (config_.powerOnAttention) state_->pendingAttention.push_back(scsi::asc::kPowerOnOrReset);
}

SimDrive::~SimDrive() = default;

namespace {

// Runs one command on `state`: the shared checks, then the opcode's handler.
ScsiReply Run(SimDriveState& state, const SimDriveConfig& config, const DriveTimingModel& model,
              const ScsiRequest& request, bool dryRun) {
  std::uint8_t cdb[16] = {};
  if (request.cdb) std::memcpy(cdb, request.cdb, sizeof cdb);
  // The command's own clock: later than the request's when the disc must spin up first.
  ScsiRequest timed = request;
  SimDriveCommand c{timed, cdb, state, config, model};
  if (request.data && request.direction != DataDirection::Out) {
    c.out = dryRun ? nullptr : request.data;
    c.outCapacity = request.dataLength;
  }
  if (request.data && request.direction != DataDirection::In) {
    c.in = request.data;
    c.inLength = request.dataLength;
  }
  const DriveTiming& timing = model.Timing();
  c.serviceMicros = static_cast<double>(timing.commandOverheadMicros);
  const std::uint64_t now = request.nowMicros;

  DriveFaults& faults = state.faults;
  if (faults.vanishAfterCommands) {
    if (*faults.vanishAfterCommands == 0) {
      state.vanished = true;
      faults.vanishAfterCommands.reset();
    } else {
      --*faults.vanishAfterCommands;
    }
  }
  if (faults.hangAfterCommands) {
    if (*faults.hangAfterCommands == 0) {
      state.hung = true;
      faults.hangAfterCommands.reset();
    } else {
      --*faults.hangAfterCommands;
    }
  }
  if (state.vanished || state.hung) {
    c.reply.responded = false;
    c.reply.serviceMicros = state.vanished ? 0 : DriveFaults::kHangMicros;
    return c.reply;
  }
  if (state.readyAtNextCommand) {
    state.readyAtMicros = now + timing.spinUpMicros;
    state.readyAtNextCommand = false;
  }

  const DriveCommand* command = kOpcodes[cdb[0]];
  const std::uint8_t flags = command != nullptr ? command->flags : std::uint8_t{NO_CHECKS};
  if (faults.busyCommands > 0) {
    --faults.busyCommands;
    c.reply.status = scsi::status::kBusy;
  } else if (!(flags & ALLOW_UA) && !state.pendingAttention.empty()) {
    c.Fail(scsi::key::kUnitAttention, state.pendingAttention.front());
    state.pendingAttention.pop_front();
  } else if (command == nullptr) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidCommandOperationCode);
  } else if (faults.abortedCommands > 0) {
    --faults.abortedCommands;
    c.Fail(scsi::key::kAbortedCommand, scsi::asc::kIoProcessTerminated);
  } else if ((flags & CHECK_READY) && !state.disc) {
    c.Fail(scsi::key::kNotReady, scsi::asc::kMediumNotPresent);
  } else if ((flags & CHECK_READY) && now < state.readyAtMicros) {
    c.Fail(scsi::key::kNotReady, scsi::asc::kBecomingReady);
  } else if ((flags & SPINS_UP) && state.stopped) {
    // A stopped disc spins up before the command is served; the head starts from the inside.
    const auto spinUp = timing.zeroLatency ? 0 : timing.spinUpMicros;
    state.stopped = false;
    state.head.Forget();
    timed.nowMicros += spinUp;
    command->handler(c);
    c.serviceMicros += static_cast<double>(spinUp);
  } else {
    command->handler(c);
  }
  c.reply.serviceMicros = timing.zeroLatency ? 0 : Micros(c.serviceMicros);
  return c.reply;
}

}  // namespace

std::vector<std::uint8_t> SimDrive::SupportedOpcodes() {
  std::vector<std::uint8_t> opcodes;
  for (int op = 0; op < 256; ++op)
    if (kOpcodes[static_cast<std::size_t>(op)] != nullptr)
      opcodes.push_back(static_cast<std::uint8_t>(op));
  return opcodes;
}

ScsiReply SimDrive::Execute(const ScsiRequest& request) {
  std::lock_guard lock(mutex_);
  ScsiReply reply = Run(*state_, config_, model_, request, false);
  state_->lastServiceMicros = reply.serviceMicros;
  const scsi::Sense sense = reply.status == scsi::status::kCheckCondition
                                ? scsi::ParseSense(reply.sense, reply.senseLength).sense
                                : scsi::Sense{};
  if (reply.status == scsi::status::kCheckCondition) state_->lastSense = sense;
  if (recording_) {
    ReceivedCommand r;
    if (request.cdb) std::memcpy(r.cdb, request.cdb, sizeof r.cdb);
    r.cdbLength = request.cdbLength;
    r.direction = request.direction;
    r.dataLength = request.dataLength;
    if (request.direction == DataDirection::Out && request.data)
      r.dataOut.assign(request.data,
                       request.data + std::min<std::uint32_t>(request.dataLength, 4096));
    r.nowMicros = request.nowMicros;
    r.responded = reply.responded;
    r.status = reply.status;
    r.senseKey = sense.key;
    r.asc = sense.asc;
    r.ascq = sense.ascq;
    r.transferred = reply.transferred;
    r.serviceMicros = reply.serviceMicros;
    received_.push_back(std::move(r));
  }
  return reply;
}

std::uint64_t SimDrive::ServiceTime(const ScsiRequest& request) const {
  std::lock_guard lock(mutex_);
  SimDriveState copy = *state_;
  return Run(copy, config_, model_, request, true).serviceMicros;
}

void SimDrive::InsertDisc(Disc disc, std::optional<std::uint64_t> atMicros) {
  std::lock_guard lock(mutex_);
  state_->disc = std::move(disc);
  state_->stopped = false;
  state_->head.Forget();
  state_->readyAtNextCommand = !atMicros.has_value();
  state_->readyAtMicros = atMicros ? *atMicros + model_.Timing().spinUpMicros : 0;
  auto& pending = state_->pendingAttention;
  if (std::find(pending.begin(), pending.end(), scsi::asc::kMediumMayHaveChanged) ==
      pending.end()) {
    pending.push_back(scsi::asc::kMediumMayHaveChanged);
  }
}

void SimDrive::EjectDisc() {
  std::lock_guard lock(mutex_);
  state_->disc.reset();
  state_->head.Forget();
  state_->readyAtNextCommand = false;
}

void SimDrive::Reset() {
  std::lock_guard lock(mutex_);
  state_->blockLength = config_.blockLength == 2352 ? 2352 : 2048;
  state_->chosenSpeed = model_.Timing().maxDataSpeed;
  state_->readRetryCount = kDefaultReadRetryCount;
  state_->stopped = false;
  state_->head.Forget();
  state_->pendingAttention.clear();
  state_->pendingAttention.push_back(scsi::asc::kPowerOnOrReset);
}

std::uint8_t SimDrive::ReadRetryCount() const {
  std::lock_guard lock(mutex_);
  return state_->readRetryCount;
}

bool SimDrive::HasDisc() const {
  std::lock_guard lock(mutex_);
  return state_->disc.has_value();
}

std::optional<Disc> SimDrive::CurrentDisc() const {
  std::lock_guard lock(mutex_);
  return state_->disc;
}

bool SimDrive::IsReady(std::uint64_t nowMicros) const {
  std::lock_guard lock(mutex_);
  return state_->disc && !state_->readyAtNextCommand && nowMicros >= state_->readyAtMicros;
}

void SimDrive::AddMediumError(std::int32_t firstLba, std::int32_t blocks, int recoverAfterTries) {
  std::lock_guard lock(mutex_);
  state_->faults.mediumErrors.push_back({firstLba, std::max(blocks, 1), recoverAfterTries, 0});
}

void SimDrive::SetBusy(std::uint32_t commands) {
  std::lock_guard lock(mutex_);
  state_->faults.busyCommands = commands;
}

void SimDrive::SetAborted(std::uint32_t commands) {
  std::lock_guard lock(mutex_);
  state_->faults.abortedCommands = commands;
}

void SimDrive::RemoveDiscAtLba(std::int32_t lba) {
  std::lock_guard lock(mutex_);
  state_->faults.removeDiscAtLba = lba;
}

void SimDrive::Vanish() {
  std::lock_guard lock(mutex_);
  state_->vanished = true;
}

void SimDrive::VanishAfter(std::uint32_t commands) {
  std::lock_guard lock(mutex_);
  state_->faults.vanishAfterCommands = commands;
}

void SimDrive::Hang() {
  std::lock_guard lock(mutex_);
  state_->hung = true;
}

void SimDrive::HangAfter(std::uint32_t commands) {
  std::lock_guard lock(mutex_);
  state_->faults.hangAfterCommands = commands;
}

void SimDrive::SetFaults(DriveFaults faults) {
  std::lock_guard lock(mutex_);
  state_->faults = std::move(faults);
}

DriveFaults SimDrive::Faults() const {
  std::lock_guard lock(mutex_);
  return state_->faults;
}

void SimDrive::SetQuirks(FirmwareQuirks quirks) {
  std::lock_guard lock(mutex_);
  state_->quirks = quirks;
}

FirmwareQuirks SimDrive::Quirks() const {
  std::lock_guard lock(mutex_);
  return state_->quirks;
}

std::uint16_t SimDrive::BlockLength() const {
  std::lock_guard lock(mutex_);
  return state_->blockLength;
}

double SimDrive::ChosenSpeed() const {
  std::lock_guard lock(mutex_);
  return state_->chosenSpeed;
}

double SimDrive::ExpectedSpeedAt(std::int32_t lba, SpeedMode mode) const {
  std::lock_guard lock(mutex_);
  const DriveTiming& t = model_.Timing();
  double max = mode == SpeedMode::Data ? t.maxDataSpeed : t.maxAudioSpeed;
  if (t.heldSpeed > 0.0) max = std::min(max, t.heldSpeed);
  return model_.SpeedAt(lba, std::min(state_->chosenSpeed, max));
}

double SimDrive::ExpectedReadMicros(std::int32_t startLba, std::uint32_t blocks,
                                    std::uint32_t blocksPerCommand) const {
  std::lock_guard lock(mutex_);
  if (model_.Timing().zeroLatency || !state_->disc) return 0.0;
  const SpeedSegments speeds = SpeedsOf(*state_, model_);
  const std::int64_t end =
      std::min<std::int64_t>(std::int64_t{startLba} + blocks, state_->disc->LeadOut());
  const std::int32_t per = static_cast<std::int32_t>(blocksPerCommand ? blocksPerCommand : 16);
  DriveTimingHead head(&model_);
  double now = head.Seek(speeds, startLba, 0.0);
  double total = 0.0;
  for (std::int64_t at = startLba; at < end; at += per) {
    const std::int32_t from = static_cast<std::int32_t>(at);
    const std::int32_t to = static_cast<std::int32_t>(std::min<std::int64_t>(at + per, end));
    const std::uint32_t bytes = state_->disc->KindAt(from) == TrackKind::Data ? 2048 : 2352;
    const double service = head.Read(speeds, from, to, now, bytes);
    now += service;
    total += service;
  }
  return total;
}

double SimDrive::ExpectedAverageSpeed(std::int32_t startLba, std::uint32_t blocks,
                                      std::uint32_t blocksPerCommand) const {
  const double micros = ExpectedReadMicros(startLba, blocks, blocksPerCommand);
  if (micros <= 0.0) return 0.0;
  std::int64_t readable = blocks;
  if (auto disc = CurrentDisc())
    readable = std::clamp<std::int64_t>(disc->LeadOut() - std::int64_t{startLba}, 0, blocks);
  return static_cast<double>(readable) / (micros * 1e-6) / model_.Timing().blocksPerSecond;
}

std::uint64_t SimDrive::LastServiceMicros() const {
  std::lock_guard lock(mutex_);
  return state_->lastServiceMicros;
}

std::vector<ReceivedCommand> SimDrive::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::size_t SimDrive::ReceivedCount() const {
  std::lock_guard lock(mutex_);
  return received_.size();
}

void SimDrive::ClearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

void SimDrive::SetRecording(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

}  // namespace sim
