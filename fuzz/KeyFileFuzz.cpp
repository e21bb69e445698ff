// Key files of any content: a file is either refused as a whole or kept line for line; a
// value set in a kept file reads back, and every other line survives the rewrite.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/LinuxRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > platform::kMaxKeyFileSize) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  platform::ParseKeyFile(text);  // the reader of the values: anything goes, nothing breaks

  std::vector<std::string> lines;
  if (!platform::SplitKeyFile(text, lines)) return 0;
  const std::vector<std::string> before = lines;
  const platform::RegistryValue value{"Version", REG_SZ, {'0', '.', '9', '9', '.', '2', 0}};
  platform::SetValueLine(lines, value);

  std::string rewritten;
  for (const std::string& line : lines) rewritten += line + "\n";
  std::vector<std::string> again;
  if (!platform::SplitKeyFile(rewritten, again)) std::abort();  // our own file must read
  if (again != lines) std::abort();
  // Every line but the one replaced is kept, in order.
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != lines[i] ? 1 : 0;
  if (changed > 1 || lines.size() > before.size() + 1) std::abort();
  bool found = false;
  for (const platform::RegistryValue& v : platform::ParseKeyFile(rewritten)) {
    if (v.name == value.name && v.data == value.data) found = true;
  }
  if (!found) std::abort();
  return 0;
}
