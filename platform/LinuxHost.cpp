#include "platform/LinuxHost.h"

#include <fcntl.h>

#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/LinuxDrive.h"
#include "platform/LinuxPassThrough.h"
#include "platform/LinuxScsiPort.h"

namespace platform {
namespace {

// The system directory the system's own code composes library paths from. No ASPI library
// is ever installed there on this machine.
constexpr const char kSystemDirectory[] = "C:\\WINNT\\system32";

// Letters D: to Z: are the optical drives sr0 to sr22; C: never is one.
constexpr char kFirstDriveLetter = 'D';

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// "\\.\SCSI12:" gives 12; -1 for any other name.
int PortNumber(const std::string& device) {
  if (device.size() < 6 || Upper(device[0]) != 'S' || Upper(device[1]) != 'C' ||
      Upper(device[2]) != 'S' || Upper(device[3]) != 'I' || device.back() != ':') {
    return -1;
  }
  const std::string digits = device.substr(4, device.size() - 5);
  if (digits.empty() || digits.size() > 3) return -1;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// "\\.\E:" gives 1 (sr1); -1 for any other name.
int DriveNumber(const std::string& device) {
  if (device.size() != 2 || device[1] != ':') return -1;
  const char letter = Upper(device[0]);
  if (letter < kFirstDriveLetter || letter > 'Z') return -1;
  return letter - kFirstDriveLetter;
}

}  // namespace

LinuxHost::LinuxHost() : LinuxHost(LinuxHostOptions{}) {}

LinuxHost::LinuxHost(LinuxHostOptions options)
    : sysfs_(std::move(options.root)),
      system_(options.system != nullptr ? *options.system : RealLinuxSystem()),
      registry_(std::move(options.configHome)),
      notice_(std::move(options.notice)) {
  if (!notice_) {
    notice_ = [](const std::string& text) {
      std::fprintf(stderr, "velmark: %s\n", text.c_str());
      std::fflush(stderr);
    };
  }
}

LinuxHost::~LinuxHost() = default;

std::string LinuxHost::DriveNode(char letter) {
  const int drive = DriveNumber(std::string(1, letter) + ":");
  return drive < 0 ? std::string() : "/dev/sr" + std::to_string(drive);
}

void LinuxHost::Version(OSVERSIONINFOA& info) {
  info.dwMajorVersion = 5;
  info.dwMinorVersion = 0;
  info.dwBuildNumber = 2195;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info.szCSDVersion, 0, sizeof(info.szCSDVersion));
  struct utsname name;
  if (uname(&name) == 0) {
    std::string text = std::string(name.sysname) + " " + name.release;
    std::strncpy(info.szCSDVersion, text.c_str(), sizeof(info.szCSDVersion) - 1);
  }
}

UINT LinuxHost::SystemDirectory(char* buffer, UINT size) {
  const UINT length = sizeof(kSystemDirectory) - 1;
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, kSystemDirectory, length + 1);
  return length;
}

std::unique_ptr<Module> LinuxHost::LoadModule(const char* name, DWORD& error) {
  (void)name;  // no ASPI manager or other Windows library exists on this machine
  error = ERROR_MOD_NOT_FOUND;
  return nullptr;
}

std::unique_ptr<Device> LinuxHost::OpenDevice(const char* name, DWORD access, DWORD share,
                                              DWORD disposition, DWORD& error) {
  (void)share;  // the kernel does not share-lock device nodes
  const std::string text = name != nullptr ? name : "";
  if (text.rfind("\\\\.\\", 0) != 0 || disposition != OPEN_EXISTING) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  const std::string device = text.substr(4);
  if (const int port = PortNumber(device); port >= 0) return OpenPort(port, error);
  if (const int drive = DriveNumber(device); drive >= 0) return OpenDrive(drive, access, error);
  error = ERROR_FILE_NOT_FOUND;
  return nullptr;
}

std::unique_ptr<Device> LinuxHost::OpenPort(int port, DWORD& error) {
  const std::vector<int> hosts = sysfs_.Hosts();
  if (port >= static_cast<int>(hosts.size())) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  return std::make_unique<LinuxScsiPort>(sysfs_, hosts[static_cast<size_t>(port)]);
}

std::unique_ptr<Device> LinuxHost::OpenDrive(int drive, DWORD access, DWORD& error) {
  // O_NONBLOCK: a drive without a disc must open. Write access is asked for only when the
  // caller wants it; a refusal makes the caller try again read-only.
  const bool writable = (access & GENERIC_WRITE) != 0;
  const std::string path = sysfs_.Path("/dev/sr" + std::to_string(drive));
  const int fd = system_.Open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_NONBLOCK);
  if (fd < 0) {
    error = ErrorFromErrno(fd);
    return nullptr;
  }
  return std::make_unique<LinuxDrive>(
      system_, sysfs_, drive, fd, writable,
      [this](const CommandTrace& trace) { NotifyCommand(trace); }, notice_);
}

bool LinuxHost::UserIsAdministrator() {
  return geteuid() == 0;
}

LONG LinuxHost::CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                          bool& created) {
  return registry_.CreateKey(root, subKey, key, created);
}

DWORD LinuxHost::Milliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);  // wraps every 49.7 days, as timeGetTime does
}

std::uint64_t LinuxHost::Microseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

std::int64_t LinuxHost::CalendarSeconds() {
  return static_cast<std::int64_t>(::time(nullptr));
}

void LinuxHost::SleepMilliseconds(DWORD ms) {
  struct timespec wait;
  wait.tv_sec = static_cast<time_t>(ms / 1000);
  wait.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

int LinuxHost::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  (void)owner;
  (void)type;
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
  std::fflush(stderr);
  return IDOK;
}

}  // namespace platform
