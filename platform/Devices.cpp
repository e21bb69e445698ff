// CreateFileA and DeviceIoControl on "\\.\NAME" devices of the installed host.
#include <memory>

#include "platform/Host.h"
#include "platform/KernelObject.h"
#include "platform/win32.h"

namespace {

class DeviceObject : public platform::KernelObject {
 public:
  explicit DeviceObject(std::unique_ptr<platform::Device> device) : device_(std::move(device)) {}
  platform::Device& device() { return *device_; }

 private:
  std::unique_ptr<platform::Device> device_;
};

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)lpSecurityAttributes;
  (void)dwFlagsAndAttributes;
  (void)hTemplateFile;
  if (lpFileName == nullptr || *lpFileName == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  DWORD error = ERROR_SUCCESS;
  std::unique_ptr<platform::Device> device = platform::CurrentHost().OpenDevice(
      lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition, error);
  if (!device) {
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::RegisterHandle(std::make_shared<DeviceObject>(std::move(device)));
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped) {
  auto object = platform::LookupHandleAs<DeviceObject>(hDevice);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpOverlapped != nullptr) {  // devices here answer synchronously only
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if ((lpInBuffer == nullptr && nInBufferSize != 0) ||
      (lpOutBuffer == nullptr && nOutBufferSize != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD returned = 0;
  DWORD error = ERROR_SUCCESS;
  BOOL ok = object->device().IoControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                                       nOutBufferSize, &returned, error);
  if (lpBytesReturned != nullptr) *lpBytesReturned = ok ? returned : 0;
  if (!ok) {
    // A failure always carries a reason; never let it read as success.
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}
