// An open "\\.\NAME" device of the real machine: its controls go to DeviceIoControl; each
// SCSI pass-through request is reported to the host's command observer.
#pragma once

#include <functional>
#include <string>

#include "platform/Host.h"

namespace platform {

class WindowsDevice : public Device {
 public:
  WindowsDevice(std::string name, HANDLE handle, std::function<void(const CommandTrace&)> report);
  ~WindowsDevice() override;
  WindowsDevice(const WindowsDevice&) = delete;
  WindowsDevice& operator=(const WindowsDevice&) = delete;

  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) override;

 private:
  std::string name_;
  HANDLE handle_;
  std::function<void(const CommandTrace&)> report_;
};

}  // namespace platform
