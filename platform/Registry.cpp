// RegCreateKeyExA, RegSetValueExA, RegCloseKey through the installed host's registry.
#include <memory>

#include "platform/Host.h"
#include "platform/KernelObject.h"
#include "platform/win32.h"

namespace {

class KeyObject : public platform::KernelObject {
 public:
  explicit KeyObject(std::unique_ptr<platform::RegistryKey> key) : key_(std::move(key)) {}
  platform::RegistryKey& key() { return *key_; }

 private:
  std::unique_ptr<platform::RegistryKey> key_;
};

// The predefined keys are 0x80000000 to 0x80000006; 64-bit Windows headers sign-extend them
// (HKEY_CURRENT_USER is 0xFFFFFFFF80000001 there).
bool IsPredefinedRoot(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  const auto low = static_cast<DWORD>(value);
  const auto signExtended = static_cast<ULONG_PTR>(static_cast<INT_PTR>(static_cast<LONG>(low)));
  return (value == low || value == signExtended) && low >= 0x80000000u && low <= 0x80000006u;
}

}  // namespace

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition) {
  (void)lpClass;
  (void)dwOptions;
  (void)samDesired;
  (void)lpSecurityAttributes;
  if (phkResult == nullptr || lpSubKey == nullptr || Reserved != 0) {
    return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  }
  *phkResult = nullptr;
  if (!IsPredefinedRoot(hKey)) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  std::unique_ptr<platform::RegistryKey> key;
  bool created = false;
  LONG result = platform::CurrentHost().CreateKey(hKey, lpSubKey, key, created);
  if (result != static_cast<LONG>(ERROR_SUCCESS)) return result;
  if (!key) return static_cast<LONG>(ERROR_GEN_FAILURE);
  *phkResult =
      static_cast<HKEY>(platform::RegisterHandle(std::make_shared<KeyObject>(std::move(key))));
  if (lpdwDisposition != nullptr) {
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  if (Reserved != 0 || (lpData == nullptr && cbData != 0)) {
    return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  }
  auto object = platform::LookupHandleAs<KeyObject>(hKey);
  if (!object) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  return object->key().SetValue(lpValueName != nullptr ? lpValueName : "", dwType, lpData, cbData);
}

LONG RegCloseKey(HKEY hKey) {
  if (!platform::CloseHandleAs<KeyObject>(hKey)) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  return static_cast<LONG>(ERROR_SUCCESS);
}
