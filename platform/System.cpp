// Version record, system directory, error mode, clock, sleeping, multimedia timer and message
// boxes: all answered by the installed host.
#include <cstring>

#include "platform/Host.h"
#include "platform/win32.h"

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (lpVersionInformation == nullptr ||
      lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  OSVERSIONINFOA info{};
  platform::CurrentHost().Version(info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  info.szCSDVersion[sizeof(info.szCSDVersion) - 1] = '\0';
  *lpVersionInformation = info;
  return TRUE;
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (lpBuffer == nullptr) uSize = 0;
  UINT length = platform::CurrentHost().SystemDirectory(lpBuffer, uSize);
  if (length == 0) SetLastError(ERROR_PATH_NOT_FOUND);
  return length;
}

UINT SetErrorMode(UINT uMode) {
  return platform::CurrentHost().ExchangeErrorMode(uMode);
}

MMRESULT timeBeginPeriod(UINT uPeriod) {
  if (uPeriod == 0) return TIMERR_NOCANDO;
  return platform::CurrentHost().BeginTimerPeriod(uPeriod);
}

MMRESULT timeEndPeriod(UINT uPeriod) {
  if (uPeriod == 0) return TIMERR_NOCANDO;
  return platform::CurrentHost().EndTimerPeriod(uPeriod);
}

DWORD timeGetTime() {
  return platform::CurrentHost().Milliseconds();
}

void Sleep(DWORD dwMilliseconds) {
  platform::CurrentHost().SleepMilliseconds(dwMilliseconds);
}

// The counter runs at 1 MHz on every host: one count is one microsecond.
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  if (lpPerformanceCount == nullptr) return FALSE;
  lpPerformanceCount->QuadPart = static_cast<std::int64_t>(platform::CurrentHost().Microseconds());
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  if (lpFrequency == nullptr) return FALSE;
  lpFrequency->QuadPart = 1'000'000;
  return TRUE;
}

namespace platform {
std::int64_t time(std::int64_t* out) {
  std::int64_t seconds = CurrentHost().CalendarSeconds();
  if (out != nullptr) *out = seconds;
  return seconds;
}
}  // namespace platform

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  platform::Host& host = platform::CurrentHost();
  const char* text = lpText != nullptr ? lpText : "";
  const char* caption = lpCaption != nullptr ? lpCaption : "Error";
  if (host.messageBoxSink()) return host.messageBoxSink()(hWnd, text, caption, uType);
  return host.ShowMessageBox(hWnd, text, caption, uType);
}
