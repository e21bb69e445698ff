// "\\.\D:", "\\.\E:", ... on Linux: /dev/sr0, /dev/sr1, ... open for the handle's life.
// It answers the SCSI address, the capabilities and both pass-through calls; every
// pass-through command is reported to the host's command observer. The device's queue
// limits are read once, when it is opened: a command costs the SG_IO and nothing more.
#pragma once

#include <functional>
#include <optional>
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

  // What /sys/block/srN/queue said when the device was opened.
  struct QueueLimits {
    std::optional<unsigned long> alignment;     // dma_alignment
    std::optional<unsigned long> maxSectorsKb;  // max_sectors_kb
    std::optional<unsigned long> segments;      // max_segments
    std::optional<DWORD> maximumTransfer;       // bytes: max_hw_sectors_kb, else max_sectors_kb
  };
  static QueueLimits ReadQueueLimits(const LinuxSysfs& sysfs, int drive);

  LinuxSystem& system_;
  const LinuxSysfs& sysfs_;
  int drive_;
  int fd_;
  bool writable_;
  QueueLimits limits_;
  std::string path_;
  Reporter report_;
  Notice notice_;
  bool refusalExplained_ = false;
};

}  // namespace platform
