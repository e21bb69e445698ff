// The real machine: a Windows NT 5.0 family host whose devices, registry, clock and
// message boxes are the Linux machine's.
#pragma once

#include <memory>
#include <string>

#include "platform/Host.h"

namespace platform {

class LinuxHost : public Host {
 public:
  LinuxHost();
  ~LinuxHost() override;

  void Version(OSVERSIONINFOA& info) override;
  UINT SystemDirectory(char* buffer, UINT size) override;
  std::unique_ptr<Module> LoadModule(const char* name, DWORD& error) override;
  std::unique_ptr<Device> OpenDevice(const char* name, DWORD access, DWORD share, DWORD disposition,
                                     DWORD& error) override;
  bool UserIsAdministrator() override;
  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                 bool& created) override;
  DWORD Milliseconds() override;
  std::int64_t CalendarSeconds() override;
  void SleepMilliseconds(DWORD ms) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;
};

}  // namespace platform
