// The kernel objects platform/ implements where the system has none: the per-thread last
// error, events, waits and critical sections.
#include <chrono>
#include <mutex>
#include <new>
#include <thread>

#include "platform/Event.h"
#include "platform/Host.h"
#include "platform/SpinWait.h"
#include "platform/win32.h"

namespace platform {

void Event::Set() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    signalled_ = true;
  }
  if (manualReset_) {
    changed_.notify_all();
  } else {
    changed_.notify_one();
  }
}

void Event::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  signalled_ = false;
}

DWORD Event::Wait(DWORD milliseconds) {
  if (milliseconds != 0) {
    SpinUntil([this] { return signalled_.load(std::memory_order_acquire); });
  }
  std::unique_lock<std::mutex> guard(lock_);
  auto isSignalled = [this] { return signalled_.load(std::memory_order_relaxed); };
  if (milliseconds == INFINITE) {
    changed_.wait(guard, isSignalled);
  } else if (!changed_.wait_for(guard, std::chrono::milliseconds(milliseconds), isSignalled)) {
    return WAIT_TIMEOUT;
  }
  if (!manualReset_) signalled_ = false;
  return WAIT_OBJECT_0;
}

}  // namespace platform

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD dwErrCode) {
  lastError = dwErrCode;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCSTR lpName) {
  (void)lpEventAttributes;
  (void)lpName;  // named events are not shared between processes here
  try {
    auto event = std::make_shared<platform::Event>(bManualReset != FALSE, bInitialState != FALSE);
    SetLastError(ERROR_SUCCESS);
    return platform::RegisterHandle(std::move(event));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL SetEvent(HANDLE hEvent) {
  auto event = platform::LookupHandleAs<platform::Event>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto event = platform::LookupHandleAs<platform::Event>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto event = platform::LookupHandleAs<platform::Event>(hHandle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return event->Wait(dwMilliseconds);
}

// The lock lives behind DebugInfo; the published counters are kept up to date for
// debugging (RecursionCount, OwningThread) while the lock is held.
namespace {

HANDLE ThisThreadTag() {
  static thread_local char tag;
  return &tag;
}

std::recursive_mutex* LockOf(LPCRITICAL_SECTION section) {
  if (section == nullptr) return nullptr;
  return static_cast<std::recursive_mutex*>(section->DebugInfo);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  if (lpCriticalSection == nullptr) return;
  *lpCriticalSection = CRITICAL_SECTION{};
  lpCriticalSection->LockCount = -1;
  lpCriticalSection->DebugInfo = new std::recursive_mutex;
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::recursive_mutex* lock = LockOf(lpCriticalSection);
  if (lock == nullptr) return;
  lock->lock();
  lpCriticalSection->RecursionCount += 1;
  lpCriticalSection->OwningThread = ThisThreadTag();
}

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::recursive_mutex* lock = LockOf(lpCriticalSection);
  if (lock == nullptr) return;
  if (lpCriticalSection->OwningThread != ThisThreadTag() ||
      lpCriticalSection->RecursionCount <= 0) {
    return;  // not held by this thread: unlocking would be undefined
  }
  lpCriticalSection->RecursionCount -= 1;
  if (lpCriticalSection->RecursionCount == 0) lpCriticalSection->OwningThread = nullptr;
  lock->unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::recursive_mutex* lock = LockOf(lpCriticalSection);
  if (lock == nullptr) return;
  delete lock;
  lpCriticalSection->DebugInfo = nullptr;
}
