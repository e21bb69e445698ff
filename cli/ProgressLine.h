// The progress line of a running test on a terminal: how much of the range is read, the
// current speed (when the window computes one) and the time left, redrawn at most four
// times a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// "Reading  42%  current 52.00 x  0:03 left". `speed` is the window's current speed
// caption ("" when none is computed); the time left is projected from the time taken so
// far, and left out until a block is read.
std::string ProgressText(std::uint32_t done, std::uint32_t total, std::uint32_t elapsedMs,
                         const std::string& speed);

// Lets a redraw through only when `spacing` has passed since the last one let through.
class RedrawGate {
 public:
  explicit RedrawGate(std::chrono::milliseconds spacing) : spacing_(spacing) {}
  bool Due(std::chrono::steady_clock::time_point now);

 private:
  std::chrono::milliseconds spacing_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};
