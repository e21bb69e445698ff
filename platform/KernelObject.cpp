#include "platform/KernelObject.h"

#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& table = Table();
  HANDLE handle = object.get();
  std::lock_guard<std::mutex> guard(table.lock);
  table.objects[handle] = std::move(object);
  return handle;
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto found = table.objects.find(handle);
  if (found == table.objects.end()) return nullptr;
  return found->second;
}

bool RemoveHandleIf(HANDLE handle, bool (*accept)(const KernelObject&)) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  std::shared_ptr<KernelObject> released;  // destroyed after the lock is let go
  HandleTable& table = Table();
  {
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.objects.find(handle);
    if (found == table.objects.end()) return false;
    if (accept != nullptr && !accept(*found->second)) return false;
    released = std::move(found->second);
    table.objects.erase(found);
  }
  return true;
}

}  // namespace platform
