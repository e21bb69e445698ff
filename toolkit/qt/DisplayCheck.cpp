#include "toolkit/qt/DisplayCheck.h"

#include <cstdlib>
#include <string_view>

namespace toolkit::qt {

namespace {

bool Set(const char* value) {
  return value != nullptr && *value != '\0';
}

// Whether the platform named in QT_QPA_PLATFORM ("xcb", "wayland:option", ...) may start:
// X needs a display to connect to; any other platform is left to Qt to judge.
bool PlatformMayStart(std::string_view platform, bool x11) {
  const std::string_view name = platform.substr(0, platform.find(':'));
  return name != "xcb" || x11;
}

}  // namespace

std::string DisplayProblem(const std::function<const char*(const char*)>& env) {
  const bool x11 = Set(env("DISPLAY"));
  const bool wayland = Set(env("WAYLAND_DISPLAY"));
  const char* requested = env("QT_QPA_PLATFORM");
  if (!Set(requested)) {
    // Qt starts on X11 or Wayland when no platform is named.
    if (x11 || wayland) return {};
    return "cannot open a window: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  }
  // A list ("wayland;xcb") is tried in order: one platform that may start is enough.
  std::string_view list = requested;
  while (!list.empty()) {
    const std::size_t end = list.find(';');
    if (PlatformMayStart(list.substr(0, end), x11)) return {};
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
  }
  return std::string("cannot open a window: QT_QPA_PLATFORM is ") + requested +
         " but DISPLAY is not set";
}

std::string DisplayProblem() {
  return DisplayProblem([](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace toolkit::qt
