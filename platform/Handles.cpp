// CloseHandle and the per-thread last error.
#include "platform/KernelObject.h"
#include "platform/win32.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD dwErrCode) {
  lastError = dwErrCode;
}

BOOL CloseHandle(HANDLE hObject) {
  if (!platform::RemoveHandleIf(hObject, nullptr)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
