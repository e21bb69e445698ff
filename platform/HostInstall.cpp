// The installed host. With nothing installed, the real machine's host answers.
#include <atomic>

#include "platform/Host.h"
#if defined(_WIN32)
#include "platform/windows/WindowsHost.h"
#else
#include "platform/LinuxHost.h"
#endif

namespace platform {
namespace {

std::atomic<Host*>& Installed() {
  static std::atomic<Host*> installed{nullptr};
  return installed;
}

Host& MachineHost() {
#if defined(_WIN32)
  static WindowsHost host;
#else
  static LinuxHost host;
#endif
  return host;
}

}  // namespace

void InstallHost(Host* host) {
  Installed().store(host);
}

Host& CurrentHost() {
  Host* host = Installed().load();
  if (host != nullptr) return *host;
  Host* machine = &MachineHost();
  Installed().compare_exchange_strong(host, machine);
  return *Installed().load();
}

ScopedHost::ScopedHost(Host& host) : previous_(Installed().load()) {
  InstallHost(&host);
}

ScopedHost::~ScopedHost() {
  InstallHost(previous_);
}

}  // namespace platform
