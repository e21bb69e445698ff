#include "sim/scsi/InquiryDevice.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr std::uint8_t kTestUnitReady = 0x00;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kCheckCondition = 0x02;

void PutText(std::vector<std::uint8_t>& data, std::size_t offset, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) {
    data[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
  }
}

}  // namespace

void SetCheckCondition(ScsiReply& reply, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  reply.status = kCheckCondition;
  std::memset(reply.sense, 0, sizeof(reply.sense));
  reply.sense[0] = 0x70;  // current error, fixed format
  reply.sense[2] = key & 0x0F;
  reply.sense[7] = sizeof(reply.sense) - 8;  // additional sense length
  reply.sense[12] = asc;
  reply.sense[13] = ascq;
  reply.senseLength = sizeof(reply.sense);
}

InquiryDevice::InquiryDevice(InquiryIdentity identity, InquiryMode mode)
    : identity_(std::move(identity)), mode_(mode) {}

void InquiryDevice::SetRefusalSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  refusal_[0] = key;
  refusal_[1] = asc;
  refusal_[2] = ascq;
}

std::vector<std::uint8_t> InquiryDevice::InquiryData() const {
  std::vector<std::uint8_t> data(56, 0);
  const bool full = mode_ == InquiryMode::Answers56;
  data[0] = identity_.peripheralType & 0x1F;
  data[1] = identity_.peripheralType == 0x05 ? 0x80 : 0x00;   // optical media are removable
  data[2] = 0x02;                                             // SCSI-2 / MMC
  data[3] = 0x02;                                             // response data format
  data[4] = static_cast<std::uint8_t>((full ? 56 : 36) - 5);  // additional length
  PutText(data, 8, 8, identity_.vendor);
  PutText(data, 16, 16, identity_.product);
  PutText(data, 32, 4, identity_.revision);
  if (full) PutText(data, 36, 20, "SIMULATED DEVICE");  // vendor-specific
  return data;
}

std::vector<std::uint8_t> InquiryDevice::Opcodes() const {
  std::lock_guard lock(mutex_);
  return opcodes_;
}

ScsiReply InquiryDevice::Execute(const ScsiRequest& request) {
  {
    std::lock_guard lock(mutex_);
    opcodes_.push_back(request.cdb[0]);
  }
  ScsiReply reply;
  switch (request.cdb[0]) {
    case kTestUnitReady:
      break;
    case kInquiry:
      reply = Inquiry(request);
      break;
    default:
      SetCheckCondition(reply, 0x05, 0x20, 0x00);  // invalid command operation code
      break;
  }
  reply.serviceMicros = serviceMicros_;
  return reply;
}

ScsiReply InquiryDevice::Inquiry(const ScsiRequest& request) const {
  ScsiReply reply;
  const std::uint8_t* cdb = request.cdb;
  const std::uint32_t allocation = cdb[4];    // INQUIRY(6): one-byte allocation length
  if ((cdb[1] & 0x01) != 0 || cdb[2] != 0) {  // vital product data: not kept
    SetCheckCondition(reply, 0x05, 0x24, 0x00);
    return reply;
  }
  switch (mode_) {
    case InquiryMode::NoAnswer:
      SetCheckCondition(reply, refusal_[0], refusal_[1], refusal_[2]);
      return reply;
    case InquiryMode::Refuses56:
      if (allocation == 56) {
        SetCheckCondition(reply, 0x05, 0x24, 0x00);
        return reply;
      }
      break;
    default:
      break;
  }
  const std::uint32_t available = mode_ == InquiryMode::Answers56 ? 56 : 36;
  std::vector<std::uint8_t> data = InquiryData();
  std::uint32_t count = std::min({available, allocation, request.dataLength});
  if (request.direction == DataDirection::In && request.data != nullptr && count > 0) {
    std::memcpy(request.data, data.data(), count);
    reply.transferred = count;
  }
  return reply;
}

}  // namespace sim
