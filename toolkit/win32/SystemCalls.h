// The system's own functions for the calls the Win32 subset routes through the installed
// host (platform/win32.h): the window's message boxes and the libraries of its controls
// are the real machine's even where a simulated machine answers the drive's calls.
#pragma once

#include "platform/win32.h"

namespace toolkit::win32 {

// MessageBoxA of the system.
int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Loads a library of the system (riched20.dll); false when it is not there.
bool LoadSystemLibrary(const char* name);

}  // namespace toolkit::win32
