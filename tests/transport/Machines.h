// Simulated machines for the transport tests and the drive-access chain built on them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/ScriptedTarget.h"
#include "sim/win32/AspiManager.h"
#include "sim/win32/SimHost.h"
#include "transport/Aspi.h"

namespace transport_test {

// 56 bytes of standard INQUIRY data: type, vendor, product, revision.
inline std::vector<std::uint8_t> InquiryAnswer(std::uint8_t type, const char* vendor = "SCRIPTED",
                                               const char* product = "TARGET CD-ROM   ") {
  std::vector<std::uint8_t> data(56, 0);
  data[0] = type;
  data[2] = 0x02;
  data[4] = 51;
  for (int i = 0; i < 8 && vendor[i] != '\0'; ++i)
    data[8 + i] = static_cast<std::uint8_t>(vendor[i]);
  for (int i = 0; i < 16 && product[i] != '\0'; ++i) {
    data[16 + i] = static_cast<std::uint8_t>(product[i]);
  }
  data[32] = '1';
  data[33] = '.';
  data[34] = '0';
  data[35] = '0';
  return data;
}

// A scripted CD-ROM drive that answers INQUIRY (and anything unscripted) with GOOD and
// CD-ROM INQUIRY data, so that the scan keeps it; tests append their script afterwards.
inline std::shared_ptr<sim::ScriptedTarget> ScriptedCd(std::uint8_t reportedType = 0x05) {
  auto target = std::make_shared<sim::ScriptedTarget>(reportedType);
  target->SetDefault(sim::ScriptedStep::Good(InquiryAnswer(0x05)));
  return target;
}

inline std::shared_ptr<sim::InquiryDevice> Cd(const char* vendor = "SIMWARE",
                                              sim::InquiryMode mode = sim::InquiryMode::Answers56) {
  sim::InquiryIdentity identity;
  identity.vendor = vendor;
  return std::make_shared<sim::InquiryDevice>(identity, mode);
}

// One simulated machine with the transport part of the drive-access chain on it.
class Machine {
 public:
  explicit Machine(sim::SimProfile profile) : host_(std::move(profile)), installed_(host_) {}
  ~Machine() { aspi_.reset(); }

  sim::SimHost& host() { return host_; }
  Aspi& Build() {
    aspi_ = std::make_unique<Aspi>();
    return *aspi_;
  }
  Aspi& aspi() { return *aspi_; }
  void Destroy() { aspi_.reset(); }

 private:
  sim::SimHost host_;
  platform::ScopedHost installed_;
  std::unique_ptr<Aspi> aspi_;
};

// Request blocks of one command code among those the ASPI manager received.
inline std::vector<std::vector<BYTE>> RequestsOf(const sim::SimHost& host, BYTE code) {
  std::vector<std::vector<BYTE>> found;
  for (const auto& block : host.AspiRequests()) {
    if (!block.empty() && block[0] == code) found.push_back(block);
  }
  return found;
}

}  // namespace transport_test
