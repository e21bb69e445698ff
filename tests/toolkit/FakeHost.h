// A host for toolkit tests: a virtual clock that sleeping advances, and recorded message
// boxes. Everything else fails as on a machine without the thing asked for.
#pragma once

#include <string>
#include <vector>

#include "platform/Host.h"

namespace toolkit_test {

struct RecordedBox {
  std::string text;
  std::string caption;
  UINT type;
};

class FakeHost : public platform::Host {
 public:
  void Version(OSVERSIONINFOA& info) override {
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 2195;
    info.dwPlatformId = 2;
  }
  UINT SystemDirectory(char*, UINT) override { return 0; }
  std::unique_ptr<platform::Module> LoadModule(const char*, DWORD& error) override {
    error = 126;
    return nullptr;
  }
  std::unique_ptr<platform::Device> OpenDevice(const char*, DWORD, DWORD, DWORD,
                                               DWORD& error) override {
    error = 2;
    return nullptr;
  }
  bool UserIsAdministrator() override { return false; }
  LONG CreateKey(HKEY, const char*, std::unique_ptr<platform::RegistryKey>&, bool&) override {
    return 5;
  }
  DWORD Milliseconds() override { return now; }
  std::int64_t CalendarSeconds() override { return 0; }
  void SleepMilliseconds(DWORD ms) override {
    now += ms;
    slept += ms;
  }
  int ShowMessageBox(HWND, const char* text, const char* caption, UINT type) override {
    boxes.push_back(RecordedBox{text, caption, type});
    return IDOK;
  }

  DWORD now = 1000;
  DWORD slept = 0;
  std::vector<RecordedBox> boxes;
};

}  // namespace toolkit_test
