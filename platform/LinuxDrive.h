// "\\.\D:", "\\.\E:", ... on Linux: /dev/sr0, /dev/sr1, ... open for the handle's life.
// It answers the SCSI address, the capabilities and both pass-through calls; every
// pass-through command is reported to the host's command observer.
#pragma once

#include <functional>
#include <string>

#include "platform/Host.h"
#include "platform/LinuxSysfs.h"
#include "platform/LinuxSystem.h"

namespace platform {

class LinuxDrive : public Device {
 public:
  using Reporter = std::function<void(const CommandTrace&)>;
  using Notice = std::function<void(const std::string&)>;

  LinuxDrive(LinuxSystem& system, const LinuxSysfs& sysfs, int drive, int fd, bool writable,
             Reporter report, Notice notice);
  ~LinuxDrive() override;

  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) override;

  const std::string& path() const { return path_; }

 private:
  BOOL GetAddress(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error);
  BOOL GetCapabilities(LPVOID out, DWORD outSize, LPDWORD returned, DWORD& error);
  BOOL PassThrough(bool direct, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                   LPDWORD returned, DWORD& error);

  LinuxSystem& system_;
  const LinuxSysfs& sysfs_;
  int drive_;
  int fd_;
  bool writable_;
  std::string path_;
  Reporter report_;
  Notice notice_;
  bool refusalExplained_ = false;
};

}  // namespace platform
