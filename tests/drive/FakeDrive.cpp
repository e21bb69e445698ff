#include "tests/drive/FakeDrive.h"

#include <algorithm>
#include <cstring>

#include "sim/scsi/InquiryDevice.h"

namespace drivetest {

namespace {

sim::ScsiReply Good(const sim::ScsiRequest& request, const std::uint8_t* data, std::uint32_t size) {
  sim::ScsiReply reply;
  const std::uint32_t n = std::min(size, request.dataLength);
  if (n > 0 && request.data != nullptr && request.direction == sim::DataDirection::In) {
    std::memcpy(request.data, data, n);
  }
  reply.transferred = request.direction == sim::DataDirection::Out ? request.dataLength : n;
  reply.serviceMicros = 10;
  return reply;
}

sim::ScsiReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  sim::ScsiReply reply;
  sim::SetCheckCondition(reply, key, asc, ascq);
  reply.serviceMicros = 10;
  return reply;
}

std::int32_t MsfToLba(const std::uint8_t* msf) {
  return (msf[0] * 60 + msf[1]) * 75 + msf[2] - 150;
}

}  // namespace

std::int32_t ReceivedCdb::ReadLba() const {
  if (cdb[0] == 0xB9) return MsfToLba(&cdb[3]);
  return static_cast<std::int32_t>((std::uint32_t{cdb[2]} << 24) | (std::uint32_t{cdb[3]} << 16) |
                                   (std::uint32_t{cdb[4]} << 8) | cdb[5]);
}

std::uint32_t ReceivedCdb::ReadBlocks() const {
  switch (cdb[0]) {
    case 0x28:
      return (std::uint32_t{cdb[7]} << 8) | cdb[8];
    case 0xBE:
      return (std::uint32_t{cdb[6]} << 16) | (std::uint32_t{cdb[7]} << 8) | cdb[8];
    case 0xB9:
      return static_cast<std::uint32_t>(MsfToLba(&cdb[6]) - MsfToLba(&cdb[3]));
    default:
      return 0;
  }
}

std::uint8_t FakeDrive::Pattern(std::int32_t lba, std::uint32_t index, std::uint32_t blockSize) {
  const std::uint32_t v =
      static_cast<std::uint32_t>(lba) * 2654435761u + index * 40503u + blockSize;
  return static_cast<std::uint8_t>(v ^ (v >> 13) ^ (v >> 24));
}

void FakeDrive::AcceptAll(bool on) {
  std::lock_guard lock(mutex_);
  acceptAll_ = on;
}

void FakeDrive::SetModeReply(std::uint8_t opcode, std::uint8_t page,
                             std::vector<std::uint8_t> reply) {
  std::lock_guard lock(mutex_);
  modeReplies_[{opcode, page}] = std::move(reply);
}

void FakeDrive::RejectOpcode(std::uint8_t opcode) {
  std::lock_guard lock(mutex_);
  rejected_.push_back(opcode);
}

void FakeDrive::AddBadRange(BadRange range) {
  std::lock_guard lock(mutex_);
  bad_.push_back(range);
}

std::vector<ReceivedCdb> FakeDrive::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::vector<ReceivedCdb> FakeDrive::ReadCommands() const {
  std::vector<ReceivedCdb> reads;
  for (const ReceivedCdb& c : Commands()) {
    if (c.opcode() == 0x28 || c.opcode() == 0xBE || c.opcode() == 0xB9) reads.push_back(c);
  }
  return reads;
}

void FakeDrive::Clear() {
  std::lock_guard lock(mutex_);
  commands_.clear();
}

sim::ScsiReply FakeDrive::Read(const sim::ScsiRequest& request, const ReceivedCdb& command) {
  const std::int32_t lba = command.ReadLba();
  const std::uint32_t blocks = command.ReadBlocks();
  for (BadRange& range : bad_) {
    const bool touches =
        lba < range.first + range.count && range.first < lba + static_cast<std::int32_t>(blocks);
    if (touches && range.failures != 0) {
      if (range.failures > 0) --range.failures;
      return Check(0x03, 0x11, 0x00);
    }
  }
  if (blocks == 0) return Good(request, nullptr, 0);
  const std::uint32_t blockSize = command.opcode() == 0x28 ? 2048 : request.dataLength / blocks;
  const std::uint32_t total = std::min(request.dataLength, blocks * blockSize);
  if (request.data != nullptr) {
    for (std::uint32_t i = 0; i < total; ++i) {
      request.data[i] =
          Pattern(lba + static_cast<std::int32_t>(i / blockSize), i % blockSize, blockSize);
    }
  }
  sim::ScsiReply reply;
  reply.transferred = total;
  reply.serviceMicros = 10;
  return reply;
}

sim::ScsiReply FakeDrive::Execute(const sim::ScsiRequest& request) {
  std::lock_guard lock(mutex_);
  const std::uint8_t opcode = request.cdb[0];
  if (opcode == 0x12) {  // INQUIRY: a CD-ROM drive
    std::uint8_t data[56] = {0x05, 0x80, 0x02, 0x02, 51};
    std::memcpy(&data[8], "FAKEDRV FAKE CD-ROM     1.00", 28);
    return Good(request, data, sizeof data);
  }

  ReceivedCdb command;
  std::memcpy(command.cdb.data(), request.cdb, 16);
  command.cdbLength = request.cdbLength;
  command.direction = request.direction;
  command.dataLength = request.dataLength;
  if (request.direction == sim::DataDirection::Out && request.data != nullptr) {
    command.dataOut.assign(request.data, request.data + request.dataLength);
  }
  commands_.push_back(command);

  if (std::find(rejected_.begin(), rejected_.end(), opcode) != rejected_.end()) {
    return Check(0x05, 0x20, 0x00);
  }
  switch (opcode) {
    case 0x00:  // TEST UNIT READY
      return Good(request, nullptr, 0);
    case 0x1A:
    case 0x5A: {
      const auto found =
          modeReplies_.find({opcode, static_cast<std::uint8_t>(request.cdb[2] & 0x3F)});
      if (found != modeReplies_.end()) {
        return Good(request, found->second.data(),
                    static_cast<std::uint32_t>(found->second.size()));
      }
      if (!acceptAll_) return Check(0x05, 0x24, 0x00);
      break;
    }
    case 0x15:
    case 0x55:
      return Good(request, nullptr, 0);
    case 0x28:
    case 0xBE:
    case 0xB9:
      if (!acceptAll_) return Read(request, command);
      break;
    default:
      break;
  }
  if (acceptAll_) {
    if (request.data != nullptr && request.direction == sim::DataDirection::In) {
      std::memset(request.data, 0, request.dataLength);
    }
    sim::ScsiReply reply;
    reply.transferred = request.dataLength;
    reply.serviceMicros = 10;
    return reply;
  }
  return Check(0x05, 0x20, 0x00);
}

}  // namespace drivetest
