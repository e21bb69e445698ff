// The real Windows machine: the host's questions answered by the system's own functions —
// kernel32 (version, system directory, devices and their controls, modules, sleeping),
// advapi32 (the user's rights, the registry under HKEY_CURRENT_USER), winmm (the
// multimedia timer) and user32 (message boxes of a window program).
#pragma once

#include "platform/Host.h"

namespace platform {

class WindowsHost : public Host {
 public:
  void Version(OSVERSIONINFOA& info) override;
  UINT SystemDirectory(char* buffer, UINT size) override;
  std::unique_ptr<Module> LoadModule(const char* name, DWORD& error) override;
  std::unique_ptr<Device> OpenDevice(const char* name, DWORD access, DWORD share, DWORD disposition,
                                     DWORD& error) override;
  bool UserIsAdministrator() override;
  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                 bool& created) override;
  DWORD Milliseconds() override;
  // The performance counter (QueryPerformanceCounter at QueryPerformanceFrequency) in
  // microseconds; timeGetTime's milliseconds where the machine has no such counter.
  std::uint64_t Microseconds() override;
  std::int64_t CalendarSeconds() override;
  void SleepMilliseconds(DWORD ms) override;
  MMRESULT BeginTimerPeriod(UINT period) override;
  MMRESULT EndTimerPeriod(UINT period) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;
};

// Closes a handle the system handed out (an event), for CloseHandle on handles that are
// not platform's own.
BOOL CloseSystemHandle(HANDLE handle);

}  // namespace platform
