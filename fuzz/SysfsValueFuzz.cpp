// What sysfs gives as a drive's address ("H:C:T:L") and its queue values: a text is either
// refused or read as exactly the number(s) it spells.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/LinuxSysfs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto a = platform::ParseScsiDeviceAddress(text)) {
    if (a->host < 0 || a->channel < 0 || a->target < 0 || a->lun < 0) std::abort();
    const std::string back = std::to_string(a->host) + ":" + std::to_string(a->channel) + ":" +
                             std::to_string(a->target) + ":" + std::to_string(a->lun);
    // Leading zeros aside, the text is the address.
    if (back.size() > text.size()) std::abort();
  }
  if (const auto v = platform::ParseQueueValue(text)) {
    if (text.find_first_not_of("0123456789") != std::string::npos) std::abort();
    const std::string back = std::to_string(*v);
    const std::size_t first = text.find_first_not_of('0');
    if (back != (first == std::string::npos ? "0" : text.substr(first))) std::abort();
  }
  return 0;
}
