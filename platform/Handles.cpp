// CloseHandle: platform's own handles (devices, modules, keys, and events where platform
// implements them); on Windows any other handle is the system's (an event).
#include "platform/KernelObject.h"
#include "platform/win32.h"
#if defined(_WIN32)
#include "platform/windows/WindowsHost.h"
#endif

BOOL CloseHandle(HANDLE hObject) {
  if (!platform::RemoveHandleIf(hObject, nullptr)) {
#if defined(_WIN32)
    if (hObject != nullptr && hObject != INVALID_HANDLE_VALUE) {
      return platform::CloseSystemHandle(hObject);
    }
#endif
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
