// How the entry points of the simulated modules find their machine. A module's entries are
// plain functions called without context (as a library's exports are), so they reach the
// parts of the installed host when it is a simulated machine.
#pragma once

namespace sim {

class AspiManager;
class SimMachine;

class InstalledMachine {
 public:
  virtual SimMachine& machine() = 0;
  virtual AspiManager& aspiManager() = 0;

  // The installed host's parts, or null when the installed host is not simulated.
  static InstalledMachine* Get();

 protected:
  ~InstalledMachine() = default;
};

}  // namespace sim
