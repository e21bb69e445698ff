// The real machine: a Windows NT 5.0 family host whose devices, registry, clock and
// message boxes are the Linux machine's.
//
//   "\\.\SCSIn:"        the n-th SCSI host of /sys/class/scsi_host, ascending
//   "\\.\D:", "\\.\E:"  /dev/sr0, /dev/sr1, ... (O_NONBLOCK; read-write, else read-only)
//   HKEY_CURRENT_USER   text files under the user's configuration folder
//
// The sysfs and /dev paths are taken below a root folder and the device system calls go
// through a LinuxSystem, so tests run the host over a fake tree and a fake kernel.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "platform/LinuxRegistry.h"
#include "platform/LinuxSysfs.h"
#include "platform/LinuxSystem.h"

namespace platform {

struct LinuxHostOptions {
  std::string root;               // prefix of every /sys and /dev path; "" on the machine
  LinuxSystem* system = nullptr;  // null: the kernel
  std::string configHome;         // "": $XDG_CONFIG_HOME, else ~/.config
  // Explanations for the user (a command refused on a read-only drive); null: standard
  // error.
  std::function<void(const std::string&)> notice;
};

class LinuxHost : public Host {
 public:
  LinuxHost();
  explicit LinuxHost(LinuxHostOptions options);
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
  std::uint64_t Microseconds() override;
  std::int64_t CalendarSeconds() override;
  void SleepMilliseconds(DWORD ms) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;

  // The Linux device node behind a "\\.\X:" drive letter ("/dev/sr0" for D:), or "" for a
  // letter that is never an optical drive.
  static std::string DriveNode(char letter);

  const LinuxSysfs& sysfs() const { return sysfs_; }
  const LinuxRegistry& registry() const { return registry_; }

 private:
  std::unique_ptr<Device> OpenPort(int port, DWORD& error);
  std::unique_ptr<Device> OpenDrive(int drive, DWORD access, DWORD& error);

  LinuxSysfs sysfs_;
  LinuxSystem& system_;
  LinuxRegistry registry_;
  std::function<void(const std::string&)> notice_;
};

}  // namespace platform
