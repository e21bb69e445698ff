#include "sim/scsi/InquiryDevice.h"

#include <algorithm>
#include <cstring>

#include "scsi/Inquiry.h"
#include "scsi/Opcodes.h"
#include "scsi/Sense.h"
#include "scsi/Status.h"

namespace sim {

namespace {

void PutText(std::vector<std::uint8_t>& data, std::size_t offset, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) {
    data[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
  }
}

}  // namespace

void SetCheckCondition(ScsiReply& reply, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  reply.status = scsi::status::kCheckCondition;
  reply.senseLength = static_cast<std::uint8_t>(
      scsi::BuildSense(reply.sense, sizeof(reply.sense), {key, asc, ascq}));
}

void SetCheckCondition(ScsiReply& reply, std::uint8_t key, scsi::SenseCode code) {
  SetCheckCondition(reply, key, code.asc, code.ascq);
}

InquiryDevice::InquiryDevice(InquiryIdentity identity, InquiryMode mode)
    : identity_(std::move(identity)), mode_(mode) {}

void InquiryDevice::SetRefusalSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  refusal_ = {key, asc, ascq};
}

std::vector<std::uint8_t> InquiryDevice::InquiryData() const {
  std::vector<std::uint8_t> data(56, 0);
  const bool full = mode_ == InquiryMode::Answers56;
  data[0] = identity_.peripheralType & scsi::inquiry::kTypeMask;
  // Optical media are removable.
  data[1] = identity_.peripheralType == scsi::inquiry::kCdDvd ? scsi::inquiry::kRemovable : 0;
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
    case scsi::op::kTestUnitReady:
      break;
    case scsi::op::kInquiry:
      reply = Inquiry(request);
      break;
    default:
      SetCheckCondition(reply, scsi::key::kIllegalRequest, scsi::asc::kInvalidCommandOperationCode);
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
    SetCheckCondition(reply, scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return reply;
  }
  switch (mode_) {
    case InquiryMode::NoAnswer:
      SetCheckCondition(reply, refusal_.key, refusal_.asc, refusal_.ascq);
      return reply;
    case InquiryMode::Refuses56:
      if (allocation == 56) {
        SetCheckCondition(reply, scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
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
