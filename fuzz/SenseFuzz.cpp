// Sense data of any content and length, fixed or descriptor format: the decoding reads
// nothing outside the sense bytes and gives a key of four bits; the texts shown for it are
// well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AspiVCL.h"
#include "platform/LinuxPassThrough.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const BYTE status = data[0];
  const std::size_t length = size - 1;
  BYTE* sense = static_cast<BYTE*>(std::malloc(length == 0 ? 1 : length));
  if (length > 0) std::memcpy(sense, data + 1, length);

  BYTE key = 0xEE, asc = 0xEE, ascq = 0xEE;
  platform::SenseTriple(sense, static_cast<DWORD>(length), key, asc, ascq);
  if (key > 0x0F) std::abort();
  if (length < 2 && (key != 0 || asc != 0 || ascq != 0)) std::abort();

  SenseResult result{key, asc, ascq, 0};
  if (AspiVCL::SenseText(result).size() != 8) std::abort();
  if (AspiVCL::CommandErrorText(result, status).empty()) std::abort();
  std::free(sense);
  return 0;
}
