#include "cli/ProgressLine.h"

#include <cstdio>

namespace {

// m:ss, or h:mm:ss from an hour on.
std::string Duration(std::uint64_t seconds) {
  char text[32];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
  return text;
}

}  // namespace

std::string ProgressText(std::uint32_t done, std::uint32_t total, std::uint32_t elapsedMs,
                         const std::string& speed) {
  if (done > total) done = total;
  const unsigned percent =
      total == 0 ? 100u : static_cast<unsigned>(std::uint64_t{done} * 100 / total);
  char head[32];
  std::snprintf(head, sizeof head, "Reading %3u%%", percent);
  std::string text = head;
  if (!speed.empty()) text += "  current " + speed;
  if (done > 0) {
    // Rounded up: a line never promises less time than is left.
    const std::uint64_t leftMs = (std::uint64_t{elapsedMs} * (total - done) + done - 1) / done;
    text += "  " + Duration((leftMs + 999) / 1000) + " left";
  }
  return text;
}

bool RedrawGate::Due(std::chrono::steady_clock::time_point now) {
  if (drawn_ && now - last_ < spacing_) return false;
  drawn_ = true;
  last_ = now;
  return true;
}
