// A very small machine for transport tests that must control every allocation: one SCSI
// port with one bus, one drive letter D: at target 1 that answers INQUIRY with a CD-ROM
// type through the direct pass-through call, and no libraries. Nothing here allocates
// while a command runs.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Host.h"

namespace transport_test {

// Where a TinyHost writes what it is asked, when a test wants the order of events.
using EventLog = std::vector<std::string>;

class TinyDrive : public platform::Device {
 public:
  TinyDrive(int& passThroughCalls, EventLog* log)
      : passThroughCalls_(passThroughCalls), log_(log) {}
  ~TinyDrive() override {
    if (log_ != nullptr) log_->push_back("CloseDevice D:");
  }

  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) override {
    (void)in;
    (void)inSize;
    *returned = 0;
    if (code == IOCTL_SCSI_GET_ADDRESS && outSize >= sizeof(SCSI_ADDRESS)) {
      SCSI_ADDRESS address{sizeof(SCSI_ADDRESS), 0, 0, 1, 0};
      std::memcpy(out, &address, sizeof(address));
      *returned = sizeof(address);
      return TRUE;
    }
    if (code == IOCTL_SCSI_GET_CAPABILITIES && outSize >= sizeof(IO_SCSI_CAPABILITIES)) {
      std::memset(out, 0, sizeof(IO_SCSI_CAPABILITIES));
      *returned = sizeof(IO_SCSI_CAPABILITIES);
      return TRUE;
    }
    if (code == IOCTL_SCSI_PASS_THROUGH_DIRECT && outSize >= sizeof(SCSI_PASS_THROUGH_DIRECT)) {
      ++passThroughCalls_;
      auto* spt = static_cast<SCSI_PASS_THROUGH_DIRECT*>(out);
      spt->ScsiStatus = 0;
      if (spt->Cdb[0] == 0x12 && spt->DataBuffer != nullptr && spt->DataTransferLength > 0) {
        auto* data = static_cast<BYTE*>(spt->DataBuffer);
        std::memset(data, 0, spt->DataTransferLength);
        data[0] = 0x05;
      }
      *returned = outSize;
      return TRUE;
    }
    error = ERROR_INVALID_PARAMETER;
    return FALSE;
  }

 private:
  int& passThroughCalls_;
  EventLog* log_;
};

// A loadable module with named entries; logs its release.
class TinyModule : public platform::Module {
 public:
  TinyModule(std::string name, std::vector<std::pair<std::string, FARPROC>> entries, EventLog* log)
      : name_(std::move(name)), entries_(std::move(entries)), log_(log) {}
  ~TinyModule() override {
    if (log_ != nullptr) log_->push_back("FreeModule " + name_);
  }
  FARPROC Resolve(const char* name) override {
    for (const auto& entry : entries_) {
      if (entry.first == name) return entry.second;
    }
    return nullptr;
  }

 private:
  std::string name_;
  std::vector<std::pair<std::string, FARPROC>> entries_;
  EventLog* log_;
};

class TinyPort : public platform::Device {
 public:
  BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& error) override {
    (void)in;
    (void)inSize;
    if (code == IOCTL_SCSI_GET_INQUIRY_DATA && outSize >= 1) {
      std::memset(out, 0, outSize);
      static_cast<BYTE*>(out)[0] = 1;  // one bus
      *returned = outSize;
      return TRUE;
    }
    error = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
};

class TinyHost : public platform::Host {
 public:
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  DWORD majorVersion = 5;
  int passThroughCalls = 0;
  int versionCalls = 0;
  std::function<void(int)> onVersion;              // called with the number of the Version call
  std::function<void(const char*, DWORD)> onOpen;  // called with every device name opened
  std::vector<std::string> boxTexts, boxCaptions;
  DWORD clock = 0;
  bool administrator = true;
  // Loadable modules by exact name, and a log of the calls (null: nothing is logged).
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, FARPROC>>>> modules;
  EventLog* log = nullptr;

  void Version(OSVERSIONINFOA& info) override {
    ++versionCalls;
    if (log != nullptr) log->push_back("Version");
    info.dwMajorVersion = majorVersion;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 2195;
    info.dwPlatformId = platformId;
    info.szCSDVersion[0] = '\0';
    if (onVersion) onVersion(versionCalls);
  }
  UINT SystemDirectory(char* buffer, UINT size) override {
    if (log != nullptr) log->push_back("SystemDirectory");
    const char directory[] = "C:\\WINNT\\system32";
    if (size < sizeof(directory)) return sizeof(directory);
    std::memcpy(buffer, directory, sizeof(directory));
    return sizeof(directory) - 1;
  }
  std::unique_ptr<platform::Module> LoadModule(const char* name, DWORD& error) override {
    if (log != nullptr) log->push_back(std::string("LoadModule ") + name);
    for (const auto& module : modules) {
      if (module.first == name) return std::make_unique<TinyModule>(name, module.second, log);
    }
    error = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  std::unique_ptr<platform::Device> OpenDevice(const char* name, DWORD access, DWORD share,
                                               DWORD disposition, DWORD& error) override {
    (void)share;
    (void)disposition;
    if (onOpen) onOpen(name, access);
    if (log != nullptr) log->push_back(std::string("OpenDevice ") + name);
    if (std::strcmp(name, "\\\\.\\SCSI0:") == 0) return std::make_unique<TinyPort>();
    if (std::strcmp(name, "\\\\.\\D:") == 0) {
      return std::make_unique<TinyDrive>(passThroughCalls, log);
    }
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  bool UserIsAdministrator() override { return administrator; }
  DWORD SecurityCall(const char* name) override {
    if (log != nullptr) log->push_back(std::string("SecurityCall ") + name);
    return ERROR_SUCCESS;
  }
  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<platform::RegistryKey>& key,
                 bool& created) override {
    (void)root;
    (void)subKey;
    (void)key;
    created = false;
    return ERROR_ACCESS_DENIED;
  }
  DWORD Milliseconds() override { return clock; }
  std::int64_t CalendarSeconds() override { return 1000 + clock / 1000; }
  void SleepMilliseconds(DWORD ms) override { clock += ms; }
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override {
    (void)owner;
    (void)type;
    boxTexts.emplace_back(text);
    boxCaptions.emplace_back(caption);
    return IDOK;
  }
};

}  // namespace transport_test
