// Kernel objects behind HANDLE values. Every handle the Win32 subset hands out names one
// object in the handle table; a handle that is not in the table is rejected with
// ERROR_INVALID_HANDLE instead of being dereferenced.
#pragma once

#include <memory>
#include <typeinfo>

#include "platform/win32.h"

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// Enters the object into the handle table and returns its handle (never null, never
// INVALID_HANDLE_VALUE).
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null when the handle is unknown. The object stays alive
// for as long as the returned pointer does, even if another thread closes the handle.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  std::shared_ptr<KernelObject> object = LookupHandle(handle);
  // The exact type is the common case and needs no search of the class tree.
  if (object == nullptr) return nullptr;
  const KernelObject& found = *object;
  if (typeid(found) == typeid(T)) return std::static_pointer_cast<T>(std::move(object));
  return std::dynamic_pointer_cast<T>(std::move(object));
}

// Removes a handle from the table when `accept` (null: any object) agrees. False when the
// handle is unknown or refused (then nothing is removed).
bool RemoveHandleIf(HANDLE handle, bool (*accept)(const KernelObject&));

// Removes a handle of type T; false when unknown or of another type.
template <class T>
bool CloseHandleAs(HANDLE handle) {
  return RemoveHandleIf(handle, [](const KernelObject& object) {
    return dynamic_cast<const T*>(&object) != nullptr;
  });
}

}  // namespace platform
