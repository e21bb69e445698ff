// A simulated machine with one drive at adapter 0, target 1, reached through either
// command path, and the drive-access chain built on it.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "drive/FileMMCSeq.h"
#include "platform/Host.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/ScsiTarget.h"
#include "sim/win32/SimHost.h"

namespace drivetest {

enum class Path { AspiManager, PassThrough };

inline std::string PathName(Path path) {
  return path == Path::AspiManager ? "AspiManager" : "PassThrough";
}

inline void PrintTo(Path path, std::ostream* os) {
  *os << PathName(path);
}

inline sim::SimProfile ProfileFor(Path path, std::shared_ptr<sim::ScsiTarget> target) {
  sim::SimProfile profile =
      path == Path::AspiManager ? sim::SimProfile::Windows98() : sim::SimProfile::Windows2000(true);
  profile.AddDrive('D', sim::ScsiAddress{0, 0, 1, 0}, std::move(target));
  return profile;
}

class Machine {
 public:
  Machine(Path path, std::shared_ptr<sim::ScsiTarget> target)
      : Machine(ProfileFor(path, std::move(target))) {}
  explicit Machine(sim::SimProfile profile)
      : host_(std::move(profile)), installed_(host_), chain_(std::make_unique<Chain>()) {}

  FileMMCSeq& chain() { return *chain_; }
  DeviceEntry& device() { return chain_->Devices[0]; }
  sim::SimHost& host() { return host_; }
  bool SptiActive() const { return chain_->SPTIActive != 0; }

 private:
  sim::SimHost host_;
  platform::ScopedHost installed_;
  // The chain's destructor is not virtual: the pointer names the exact type it deletes.
  struct Chain final : FileMMCSeq {};
  std::unique_ptr<Chain> chain_;
};

}  // namespace drivetest
