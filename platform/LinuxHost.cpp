#include "platform/LinuxHost.h"

#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform {
namespace {

// The system directory the system's own code composes library paths from. No ASPI library
// is ever installed there on this machine.
constexpr const char kSystemDirectory[] = "C:\\WINNT\\system32";

}  // namespace

LinuxHost::LinuxHost() = default;
LinuxHost::~LinuxHost() = default;

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
  (void)name;
  (void)access;
  (void)share;
  (void)disposition;
  error = ERROR_FILE_NOT_FOUND;
  return nullptr;
}

bool LinuxHost::UserIsAdministrator() {
  return geteuid() == 0;
}

LONG LinuxHost::CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                          bool& created) {
  (void)root;
  (void)subKey;
  key.reset();
  created = false;
  return static_cast<LONG>(ERROR_ACCESS_DENIED);
}

DWORD LinuxHost::Milliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);  // wraps every 49.7 days, as timeGetTime does
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
