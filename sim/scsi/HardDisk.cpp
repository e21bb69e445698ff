#include "sim/scsi/HardDisk.h"

namespace sim {

namespace {

InquiryIdentity DiskIdentity() {
  InquiryIdentity identity;
  identity.peripheralType = scsi::inquiry::kDirectAccess;
  identity.vendor = "SIMWARE";
  identity.product = "HARD DISK SIM";
  identity.revision = "2.00";
  return identity;
}

}  // namespace

HardDisk::HardDisk() : InquiryDevice(DiskIdentity(), InquiryMode::Answers36) {}

HardDisk::HardDisk(InquiryIdentity identity)
    : InquiryDevice(std::move(identity), InquiryMode::Answers36) {}

}  // namespace sim
