// A host for platform tests: every machine-dependent answer is a field the test sets, and
// the calls that matter are recorded.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Host.h"

namespace platform::testing {

class FakeModule : public Module {
 public:
  explicit FakeModule(std::map<std::string, FARPROC> entries) : entries_(std::move(entries)) {}
  FARPROC Resolve(const char* name) override {
    auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : found->second;
  }

 private:
  std::map<std::string, FARPROC> entries_;
};

struct RecordedValue {
  std::string key, name;
  DWORD type;
  std::vector<BYTE> data;
};

class FakeKey : public RegistryKey {
 public:
  FakeKey(std::string path, std::vector<RecordedValue>& values)
      : path_(std::move(path)), values_(values) {}
  LONG SetValue(const char* name, DWORD type, const BYTE* data, DWORD size) override {
    values_.push_back({path_, name, type, std::vector<BYTE>(data, data + size)});
    return ERROR_SUCCESS;
  }

 private:
  std::string path_;
  std::vector<RecordedValue>& values_;
};

struct RecordedBox {
  std::string text, caption;
  UINT type;
};

class FakeHost : public Host {
 public:
  // Modules the host can load, by exact name.
  std::map<std::string, std::map<std::string, FARPROC>> modules;
  std::vector<std::string> loadAttempts;

  // The administrator test: the answer, a failing step and the calls in order.
  bool administrator = false;
  std::string failingCall;
  DWORD failingError = ERROR_ACCESS_DENIED;
  std::vector<std::string> securityCalls;

  // Registry: a key that cannot be created answers this error.
  LONG createKeyError = ERROR_SUCCESS;
  std::vector<std::string> keysOpened;
  std::vector<RecordedValue> values;

  std::vector<RecordedBox> boxes;
  std::vector<DWORD> sleeps;
  DWORD clock = 0;
  std::int64_t calendar = 0;

  std::function<std::unique_ptr<Device>(const char*, DWORD, DWORD&)> openDevice;

  void Version(OSVERSIONINFOA& info) override {
    info.dwMajorVersion = 4;
    info.dwMinorVersion = 10;
    info.dwBuildNumber = 1998;
    info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  }
  UINT SystemDirectory(char* buffer, UINT size) override {
    const std::string dir = "C:\\WINDOWS\\SYSTEM";
    if (size <= dir.size()) return static_cast<UINT>(dir.size() + 1);
    dir.copy(buffer, dir.size());
    buffer[dir.size()] = '\0';
    return static_cast<UINT>(dir.size());
  }
  std::unique_ptr<Module> LoadModule(const char* name, DWORD& error) override {
    loadAttempts.push_back(name);
    auto found = modules.find(name);
    if (found == modules.end()) {
      error = ERROR_MOD_NOT_FOUND;
      return nullptr;
    }
    return std::make_unique<FakeModule>(found->second);
  }
  std::unique_ptr<Device> OpenDevice(const char* name, DWORD access, DWORD share, DWORD disposition,
                                     DWORD& error) override {
    (void)share;
    (void)disposition;
    if (openDevice) return openDevice(name, access, error);
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  bool UserIsAdministrator() override { return administrator; }
  DWORD SecurityCall(const char* name) override {
    securityCalls.push_back(name);
    return failingCall == name ? failingError : ERROR_SUCCESS;
  }
  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                 bool& created) override {
    (void)root;
    keysOpened.push_back(subKey);
    if (createKeyError != ERROR_SUCCESS) return createKeyError;
    key = std::make_unique<FakeKey>(subKey, values);
    created = keysOpened.size() == 1;
    return ERROR_SUCCESS;
  }
  DWORD Milliseconds() override { return clock; }
  std::int64_t CalendarSeconds() override { return calendar; }
  void SleepMilliseconds(DWORD ms) override {
    sleeps.push_back(ms);
    clock += ms;
  }
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override {
    (void)owner;
    boxes.push_back({text, caption, type});
    return IDOK;
  }
};

}  // namespace platform::testing
