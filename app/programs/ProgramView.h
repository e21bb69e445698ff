// The drawing of the window programs: the system's own controls on Windows, Qt elsewhere.
// Both views are installed the same way (see QtView and Win32View).
#pragma once

#include <cstdio>
#include <string>

#if defined(_WIN32)
#include "toolkit/win32/Win32View.h"
using ProgramView = toolkit::win32::Win32View;
#else
#include "toolkit/qt/DisplayCheck.h"
#include "toolkit/qt/QtView.h"
using ProgramView = toolkit::qt::QtView;
#endif

// True, after a line on standard error, when no window can be opened here (checked before
// the view is made: Qt aborts when its display platform cannot start).
inline bool NoDisplay(const char* program) {
#if defined(_WIN32)
  (void)program;
  return false;
#else
  const std::string problem = toolkit::qt::DisplayProblem();
  if (problem.empty()) return false;
  std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
  return true;
#endif
}
