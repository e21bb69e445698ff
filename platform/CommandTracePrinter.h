// Prints every command a host's devices carry, one line each, for tracing tools:
//
//   /dev/sr0  12 00 00 00 24 00 INQUIRY  in 36  status 00  sense 00/00/00  0.41 ms
//   /dev/sr0  28 00 00 00 00 10 00 00 01 00 READ(10)  in 2048  status 02  sense 05/24/00 INVALID
//   FIELD IN CDB  0.52 ms /dev/sr0  00 00 00 00 00 00 TEST UNIT READY  none 0  failed (error 121)
//   30000.02 ms
//
// The command's and the sense's standard names follow their bytes when they have one.
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
