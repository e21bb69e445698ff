// Prints every command a host's devices carry, one line each, for tracing tools:
//
//   /dev/sr0  12 00 00 00 24 00  in 36  status 00  sense 00/00/00  0.41 ms
//   /dev/sr0  00 00 00 00 00 00  none 0  failed (error 121)  30000.02 ms
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/Host.h"

namespace platform {

class CommandTracePrinter : public CommandObserver {
 public:
  explicit CommandTracePrinter(std::FILE* out) : out_(out) {}

  void OnCommand(const CommandTrace& trace) override;

  // The line for one command, without its line end.
  static std::string Format(const CommandTrace& trace);

 private:
  std::FILE* out_;
  std::mutex lock_;
};

}  // namespace platform
