// Whether a window program may try to open its window, from the environment alone.
#include "toolkit/qt/DisplayCheck.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Env {
  const char* display;
  const char* wayland;
  const char* platform;
  bool mayOpen;
};

TEST(DisplayCheckTest, APlatformIsTriedOnlyWhenItCanStart) {
  const Env cases[] = {
      {":0", nullptr, nullptr, true},
      {nullptr, "wayland-0", nullptr, true},
      {nullptr, nullptr, nullptr, false},
      {"", "", "", false},  // set but empty is not set
      {nullptr, nullptr, "offscreen", true},
      {nullptr, nullptr, "xcb", false},
      {":0", nullptr, "xcb", true},
      {nullptr, nullptr, "xcb:nograb", false},
      {nullptr, nullptr, "xcb;offscreen", true},  // a list: the second may start
      {nullptr, nullptr, "wayland", true},        // left to Qt (a default socket may exist)
  };
  for (const Env& c : cases) {
    const auto lookup = [&c](const char* name) -> const char* {
      if (std::strcmp(name, "DISPLAY") == 0) return c.display;
      if (std::strcmp(name, "WAYLAND_DISPLAY") == 0) return c.wayland;
      if (std::strcmp(name, "QT_QPA_PLATFORM") == 0) return c.platform;
      return nullptr;
    };
    const std::string problem = toolkit::qt::DisplayProblem(lookup);
    EXPECT_EQ(problem.empty(), c.mayOpen)
        << "DISPLAY=" << (c.display ? c.display : "(unset)")
        << " WAYLAND_DISPLAY=" << (c.wayland ? c.wayland : "(unset)")
        << " QT_QPA_PLATFORM=" << (c.platform ? c.platform : "(unset)") << ": " << problem;
  }
}

}  // namespace
