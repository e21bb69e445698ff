// The drawing of the window programs: the system's own controls on Windows, Qt elsewhere.
// Both views are installed the same way (see QtView and Win32View).
#pragma once

#if defined(_WIN32)
#include "toolkit/win32/Win32View.h"
using ProgramView = toolkit::win32::Win32View;
#else
#include "toolkit/qt/QtView.h"
using ProgramView = toolkit::qt::QtView;
#endif
