#include "sim/win32/InstalledMachine.h"

#include "platform/Host.h"

namespace sim {

InstalledMachine* InstalledMachine::Get() {
  return dynamic_cast<InstalledMachine*>(&platform::CurrentHost());
}

}  // namespace sim
