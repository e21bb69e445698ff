// A device that answers only what discovery asks: INQUIRY (56 or 36 bytes, or refused),
// TEST UNIT READY (GOOD); every other command ends in CHECK CONDITION 05/20/00.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "scsi/Inquiry.h"
#include "scsi/SenseCodes.h"
#include "sim/scsi/ScsiTarget.h"

namespace sim {

struct InquiryIdentity {
  std::uint8_t peripheralType = scsi::inquiry::kCdDvd;
  std::string vendor = "SIMWARE";      // 8 characters, space-padded
  std::string product = "CD-ROM SIM";  // 16 characters, space-padded
  std::string revision = "1.00";       // 4 characters, space-padded
};

enum class InquiryMode {
  Answers56,  // standard data of 56 bytes, cut at the allocation length
  Answers36,  // only 36 bytes of standard data
  Refuses56,  // allocation length 56: CHECK CONDITION 05/24/00; otherwise 36 bytes
  NoAnswer,   // INQUIRY ends in CHECK CONDITION with the configured sense
};

class InquiryDevice : public ScsiTarget {
 public:
  explicit InquiryDevice(InquiryIdentity identity = {}, InquiryMode mode = InquiryMode::Answers56);

  // The sense of a refused INQUIRY (InquiryMode::NoAnswer); 02/04/01 unless set.
  void SetRefusalSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
  // Time each command takes in the device (100 µs unless set).
  void SetServiceMicros(std::uint64_t micros) { serviceMicros_ = micros; }

  // The 56 bytes of standard INQUIRY data it holds (36 meaningful in the 36-byte modes).
  std::vector<std::uint8_t> InquiryData() const;
  // Opcodes received, in order.
  std::vector<std::uint8_t> Opcodes() const;

  ScsiReply Execute(const ScsiRequest& request) override;
  std::uint8_t PeripheralType() const override { return identity_.peripheralType; }

 private:
  ScsiReply Inquiry(const ScsiRequest& request) const;

  InquiryIdentity identity_;
  InquiryMode mode_;
  scsi::Sense refusal_ = scsi::MakeSense(scsi::key::kNotReady, scsi::asc::kBecomingReady);
  std::uint64_t serviceMicros_ = 100;
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> opcodes_;
};

// Fills fixed-format sense data (18 bytes) into a reply with CHECK CONDITION.
void SetCheckCondition(ScsiReply& reply, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
void SetCheckCondition(ScsiReply& reply, std::uint8_t key, scsi::SenseCode code);

}  // namespace sim
