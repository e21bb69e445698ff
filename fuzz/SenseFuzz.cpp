// Sense data of any content and length, fixed or descriptor format: the one parser reads
// nothing outside the sense bytes and gives a key of four bits; what it read builds back
// into sense data that parses to the same; the texts shown for it are well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AspiVCL.h"
#include "scsi/Sense.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const BYTE status = data[0];
  const std::size_t length = size - 1;
  // An exactly sized heap copy, so that a read past the sense data is caught.
  BYTE* bytes = static_cast<BYTE*>(std::malloc(length == 0 ? 1 : length));
  if (length > 0) std::memcpy(bytes, data + 1, length);

  const scsi::ParsedSense parsed = scsi::ParseSense(bytes, length);
  if (parsed.sense.key > 0x0F) std::abort();
  if (parsed.format == scsi::SenseFormat::None && !(parsed.sense == scsi::Sense{})) std::abort();
  if (parsed.format != scsi::SenseFormat::None) {
    std::uint8_t built[64];
    const std::size_t n =
        scsi::BuildSense(built, sizeof built, parsed.sense, parsed.format, parsed.information);
    if (n == 0) std::abort();
    const scsi::ParsedSense again = scsi::ParseSense(built, n);
    if (!(again.sense == parsed.sense) || again.format != parsed.format) std::abort();
  }

  const SenseResult result{parsed.sense.key, parsed.sense.asc, parsed.sense.ascq, 0};
  if (AspiVCL::SenseText(result).size() != 8) std::abort();
  if (AspiVCL::CommandErrorText(result, status).empty()) std::abort();
  std::free(bytes);
  return 0;
}
