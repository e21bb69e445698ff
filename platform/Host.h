// The machine behind the Win32 subset. Everything that differs between machines — devices
// behind "\\.\" names, loadable modules, the version record, the user's rights, the system
// directory, the registry, the clock and message boxes — is answered by one installed Host.
// The program installs LinuxHost (the real machine); a test or the demo installs a
// simulated one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/win32.h"

namespace platform {

// An open "\\.\NAME" device (a SCSI port or a drive letter).
class Device {
 public:
  virtual ~Device() = default;
  // Answers one DeviceIoControl request. On failure returns FALSE and sets `error` to the
  // value GetLastError will report.
  virtual BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         LPDWORD returned, DWORD& error) = 0;
};

// A loaded module; Resolve returns null for a name the module does not export.
class Module {
 public:
  virtual ~Module() = default;
  virtual FARPROC Resolve(const char* name) = 0;
};

// An open registry key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual LONG SetValue(const char* name, DWORD type, const BYTE* data, DWORD size) = 0;
};

// One command as it crossed the host's device layer, for tracing tools.
struct CommandTrace {
  const char* device = "";  // the host's name for the device ("/dev/sr0", "D:", ...)
  const BYTE* cdb = nullptr;
  BYTE cdbLength = 0;
  DWORD dataLength = 0;
  UCHAR direction = SCSI_IOCTL_DATA_UNSPECIFIED;  // SCSI_IOCTL_DATA_IN / _OUT / _UNSPECIFIED
  bool delivered = false;                         // false: the transport failed, `error` says why
  DWORD error = ERROR_SUCCESS;
  BYTE scsiStatus = 0;
  BYTE senseKey = 0, asc = 0, ascq = 0;
  double milliseconds = 0;
};

class CommandObserver {
 public:
  virtual ~CommandObserver() = default;
  virtual void OnCommand(const CommandTrace& trace) = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Version record: fills every field but dwOSVersionInfoSize.
  virtual void Version(OSVERSIONINFOA& info) = 0;
  // Copies the system directory (zero-terminated) and returns its length, or returns the
  // size needed when the buffer is too small, or 0 on failure — as GetSystemDirectoryA.
  virtual UINT SystemDirectory(char* buffer, UINT size) = 0;

  // Modules: null with `error` set (126 when the file is not there) on failure.
  virtual std::unique_ptr<Module> LoadModule(const char* name, DWORD& error) = 0;

  // Devices: null with `error` set on failure.
  virtual std::unique_ptr<Device> OpenDevice(const char* name, DWORD access, DWORD share,
                                             DWORD disposition, DWORD& error) = 0;

  // Whether the user's access token holds the built-in Administrators group.
  virtual bool UserIsAdministrator() = 0;
  // A test seam for the security calls: a non-zero answer makes the named call (its Win32
  // name, e.g. "OpenThreadToken") fail with that error. Hosts may record the calls.
  virtual DWORD SecurityCall(const char* name) {
    (void)name;
    return ERROR_SUCCESS;
  }

  // Registry: opens or creates `subKey` under `root`; ERROR_SUCCESS and a key, or an error.
  virtual LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                         bool& created) = 0;

  // Clock: milliseconds (timeGetTime), calendar seconds (time), sleeping (Sleep).
  virtual DWORD Milliseconds() = 0;
  // A high-resolution counter in microseconds (QueryPerformanceCounter at 1 MHz). Hosts
  // without a finer clock count their milliseconds.
  virtual std::uint64_t Microseconds() { return std::uint64_t{Milliseconds()} * 1000u; }
  virtual std::int64_t CalendarSeconds() = 0;
  virtual void SleepMilliseconds(DWORD ms) = 0;
  virtual MMRESULT BeginTimerPeriod(UINT period) {
    (void)period;
    return TIMERR_NOERROR;
  }
  virtual MMRESULT EndTimerPeriod(UINT period) {
    (void)period;
    return TIMERR_NOERROR;
  }

  // Message boxes: the host's own presentation (standard error on the real machine).
  virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;

  // A window that is up may take over message boxes; cleared with an empty function.
  using MessageBoxSink = std::function<int(HWND, const char*, const char*, UINT)>;
  void SetMessageBoxSink(MessageBoxSink sink) { messageBoxSink_ = std::move(sink); }
  const MessageBoxSink& messageBoxSink() const { return messageBoxSink_; }

  // The process error mode (SetErrorMode): stores `mode` and returns the previous one.
  UINT ExchangeErrorMode(UINT mode) {
    UINT previous = errorMode_;
    errorMode_ = mode;
    return previous;
  }
  UINT errorMode() const { return errorMode_; }

  // Tracing: every SCSI command the host's devices carry is reported to the observer.
  void SetCommandObserver(CommandObserver* observer) { observer_ = observer; }
  CommandObserver* commandObserver() const { return observer_; }

 protected:
  void NotifyCommand(const CommandTrace& trace) {
    if (observer_ != nullptr) observer_->OnCommand(trace);
  }

 private:
  MessageBoxSink messageBoxSink_;
  CommandObserver* observer_ = nullptr;
  UINT errorMode_ = 0;
};

// The installed host. Installing replaces the previous one (not owned); CurrentHost() with
// none installed installs the real machine's host.
void InstallHost(Host* host);
Host& CurrentHost();

// Installs a host for the lifetime of a scope (tests), restoring the previous one after.
class ScopedHost {
 public:
  explicit ScopedHost(Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

}  // namespace platform
