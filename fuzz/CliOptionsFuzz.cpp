// Command lines of any content (arguments separated by zero bytes) for velmark-cli and
// velmark-probe: each is understood or refused with a message, never more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "probe/Probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  const CliParse parse = ParseCliOptions(args);
  if (parse.error.empty()) {
    const CliOptions& o = parse.options;
    if (o.drive < 0 || o.waitSeconds < 0) std::abort();
    if (o.mode && *o.mode != 0 && *o.mode != 1) std::abort();
    if (o.colour != "auto" && o.colour != "always" && o.colour != "never") std::abort();
  }
  probe::ParseArguments(args);
  return 0;
}
