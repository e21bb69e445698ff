#define VELMARK_SYSTEM_CALLS
#include "platform/windows/WindowsHost.h"

#include <cstdio>
#include <ctime>

#include "platform/windows/WindowsAdministrator.h"
#include "platform/windows/WindowsDevice.h"

namespace platform {
namespace {

class WindowsModule : public Module {
 public:
  explicit WindowsModule(HMODULE module) : module_(module) {}
  ~WindowsModule() override { FreeLibrary(module_); }
  WindowsModule(const WindowsModule&) = delete;
  WindowsModule& operator=(const WindowsModule&) = delete;

  FARPROC Resolve(const char* name) override { return GetProcAddress(module_, name); }

 private:
  HMODULE module_;
};

class WindowsKey : public RegistryKey {
 public:
  explicit WindowsKey(HKEY key) : key_(key) {}
  ~WindowsKey() override { RegCloseKey(key_); }
  WindowsKey(const WindowsKey&) = delete;
  WindowsKey& operator=(const WindowsKey&) = delete;

  LONG SetValue(const char* name, DWORD type, const BYTE* data, DWORD size) override {
    return RegSetValueExA(key_, name, 0, type, data, size);
  }

 private:
  HKEY key_;
};

// Whether this program was linked as a window program (no console of its own).
bool IsWindowProgram() {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  if (base == nullptr) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

}  // namespace

void WindowsHost::Version(OSVERSIONINFOA& info) {
  OSVERSIONINFOA system{};
  system.dwOSVersionInfoSize = sizeof(system);
  if (GetVersionExA(&system) == FALSE) return;  // the record stays cleared
  info = system;
}

UINT WindowsHost::SystemDirectory(char* buffer, UINT size) {
  return GetSystemDirectoryA(buffer, size);
}

std::unique_ptr<Module> WindowsHost::LoadModule(const char* name, DWORD& error) {
  const UINT previous = SetErrorMode(errorMode());  // no "insert a disk" box from the loader
  HMODULE module = LoadLibraryA(name);
  error = module == nullptr ? GetLastError() : ERROR_SUCCESS;
  SetErrorMode(previous);
  if (module == nullptr) return nullptr;
  return std::make_unique<WindowsModule>(module);
}

std::unique_ptr<Device> WindowsHost::OpenDevice(const char* name, DWORD access, DWORD share,
                                                DWORD disposition, DWORD& error) {
  HANDLE handle = CreateFileA(name, access, share, nullptr, disposition, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<WindowsDevice>(
      name, handle, [this](const CommandTrace& trace) { NotifyCommand(trace); });
}

bool WindowsHost::UserIsAdministrator() {
  return TokenHoldsAdministrators();
}

LONG WindowsHost::CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                            bool& created) {
  HKEY handle = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &handle, &disposition);
  if (result != ERROR_SUCCESS) return result;
  key = std::make_unique<WindowsKey>(handle);
  created = disposition == REG_CREATED_NEW_KEY;
  return ERROR_SUCCESS;
}

DWORD WindowsHost::Milliseconds() {
  return timeGetTime();
}

std::uint64_t WindowsHost::Microseconds() {
  LARGE_INTEGER frequency{}, count{};
  if (QueryPerformanceFrequency(&frequency) == FALSE || frequency.QuadPart <= 0 ||
      QueryPerformanceCounter(&count) == FALSE || count.QuadPart < 0)
    return Host::Microseconds();
  // Whole seconds and the rest apart, so that the product never overflows.
  const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
  const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
  return ticks / perSecond * 1'000'000u + ticks % perSecond * 1'000'000u / perSecond;
}

std::int64_t WindowsHost::CalendarSeconds() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

void WindowsHost::SleepMilliseconds(DWORD ms) {
  Sleep(ms);
}

MMRESULT WindowsHost::BeginTimerPeriod(UINT period) {
  return timeBeginPeriod(period);
}

MMRESULT WindowsHost::EndTimerPeriod(UINT period) {
  return timeEndPeriod(period);
}

int WindowsHost::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (IsWindowProgram()) return MessageBoxA(owner, text, caption, type);
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
  std::fflush(stderr);
  return IDOK;
}

BOOL CloseSystemHandle(HANDLE handle) {
  return CloseHandle(handle);
}

}  // namespace platform
