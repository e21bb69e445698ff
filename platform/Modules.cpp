// LoadLibraryA, GetProcAddress, FreeLibrary through the installed host's modules.
#include <memory>

#include "platform/Host.h"
#include "platform/KernelObject.h"
#include "platform/win32.h"

namespace {

class ModuleObject : public platform::KernelObject {
 public:
  explicit ModuleObject(std::unique_ptr<platform::Module> module) : module_(std::move(module)) {}
  platform::Module& module() { return *module_; }

 private:
  std::unique_ptr<platform::Module> module_;
};

}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD error = ERROR_SUCCESS;
  std::unique_ptr<platform::Module> module =
      platform::CurrentHost().LoadModule(lpLibFileName, error);
  if (!module) {
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HANDLE handle = platform::RegisterHandle(std::make_shared<ModuleObject>(std::move(module)));
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  auto object = platform::LookupHandleAs<ModuleObject>(hModule);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (lpProcName == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  FARPROC entry = object->module().Resolve(lpProcName);
  if (entry == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return entry;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  if (!platform::CloseHandleAs<ModuleObject>(hLibModule)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
