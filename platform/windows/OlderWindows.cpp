// Functions that the tool chain's thread library imports from kernel32 but that older
// Windows lacks: GetTickCount64 (from Vista on) and the vectored exception handlers (from
// XP on). A program importing them does not even start on Windows 2000 or XP. The 32-bit
// build therefore answers the thread library's imports itself: the system's function
// where the system has it, else a stand-in (the 32-bit tick count carried on past its
// wrap; no vectored handler, which the thread library only uses to name threads for a
// debugger). The build links these definitions ahead of kernel32's (see CMakeLists.txt).
#define VELMARK_SYSTEM_CALLS
#include "platform/win32.h"

#if defined(__i386__)

namespace {

// kernel32's function of that name as a `Function`, or null where the system lacks it.
// Looked up at every call: the thread library calls these from inside its own locks, where
// a guarded static's first use (which takes one of those locks) must not happen.
template <class Function>
Function Kernel32(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  FARPROC found = kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

ULONGLONG WINAPI TickCount64() {
  using Function = ULONGLONG(WINAPI*)();
  const auto system = Kernel32<Function>("GetTickCount64");
  if (system != nullptr) return system();
  // The 32-bit count wraps every 49.7 days; the wraps seen so far are counted. (Callers
  // measure intervals; two threads meeting a wrap at once count it once or twice, which
  // at worst lengthens one timed wait.)
  static volatile LONG wraps = 0;  // (constant-initialised: no guard)
  static volatile LONG last = 0;
  const auto now = static_cast<LONG>(GetTickCount());
  const LONG before = InterlockedExchange(&last, now);
  if (static_cast<DWORD>(now) < static_cast<DWORD>(before)) InterlockedIncrement(&wraps);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(wraps)) << 32) | static_cast<DWORD>(now);
}

PVOID WINAPI AddHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
  using Function = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
  const auto system = Kernel32<Function>("AddVectoredExceptionHandler");
  return system != nullptr ? system(first, handler) : nullptr;
}

ULONG WINAPI RemoveHandler(PVOID handle) {
  using Function = ULONG(WINAPI*)(PVOID);
  const auto system = Kernel32<Function>("RemoveVectoredExceptionHandler");
  return system != nullptr && handle != nullptr ? system(handle) : 0;
}

}  // namespace

// The import slots the thread library calls through, by the names the linker gives them.
extern "C" {
extern const void* const velmarkTickCount64 asm("__imp__GetTickCount64@0");
const void* const velmarkTickCount64 = reinterpret_cast<const void*>(&TickCount64);
extern const void* const velmarkAddHandler asm("__imp__AddVectoredExceptionHandler@8");
const void* const velmarkAddHandler = reinterpret_cast<const void*>(&AddHandler);
extern const void* const velmarkRemoveHandler asm("__imp__RemoveVectoredExceptionHandler@4");
const void* const velmarkRemoveHandler = reinterpret_cast<const void*>(&RemoveHandler);
}

#endif
