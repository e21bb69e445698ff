// A hard disk on a SCSI bus: peripheral type 0, answers INQUIRY like the discovery device.
// Discovery must pass it by; on NT it still has a drive letter that answers the address query.
#pragma once

#include "sim/scsi/InquiryDevice.h"

namespace sim {

class HardDisk : public InquiryDevice {
 public:
  HardDisk();
  explicit HardDisk(InquiryIdentity identity);
};

}  // namespace sim
