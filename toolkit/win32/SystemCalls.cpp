#define VELMARK_SYSTEM_CALLS
#include "toolkit/win32/SystemCalls.h"

namespace toolkit::win32 {

int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

bool LoadSystemLibrary(const char* name) {
  // Kept loaded for the life of the program: the controls' window classes live in it.
  return LoadLibraryA(name) != nullptr;
}

}  // namespace toolkit::win32
