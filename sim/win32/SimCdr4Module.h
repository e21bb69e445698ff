// The "cdr4dll" module of a simulated machine: the six entries that block file-system
// access to a recorder and reserve it. The system only resolves them; calling one on the
// simulated machine records the entry's name and answers TRUE.
#pragma once

#include <memory>

#include "platform/Host.h"
#include "sim/machine/SimRecords.h"

namespace sim {

class SimCdr4Module : public platform::Module {
 public:
  explicit SimCdr4Module(std::shared_ptr<SimRecords> records);
  ~SimCdr4Module() override;
  FARPROC Resolve(const char* name) override;

 private:
  std::shared_ptr<SimRecords> records_;
};

}  // namespace sim
