// Whether a window can be opened, judged from the environment before any Qt application
// exists: Qt ends the process with abort() when its display platform cannot start, so a
// window program asks first and says plainly why it cannot open its window.
#pragma once

#include <functional>
#include <string>

namespace toolkit::qt {

// Empty when the platform Qt would start on has what it needs (or cannot be judged from the
// environment, as a named platform other than xcb), else why no window can be opened.
// `env` looks a variable up (null: not set); the default reads the process's environment.
std::string DisplayProblem(const std::function<const char*(const char*)>& env);
std::string DisplayProblem();

}  // namespace toolkit::qt
