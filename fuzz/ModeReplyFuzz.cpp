// Mode replies of any content: the page lookup and the MODE SELECT lengths never point or
// reach beyond the 120-byte reply buffer. Built with libFuzzer (clang); the sanitizers catch
// any read outside the buffer, the checks below any result that would lead to one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "drive/InitMMCSeq.h"
#include "drive/MMC.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const BYTE layout = data[0] % 3;
  const BYTE page = data[1] & 0x3F;
  // An exactly sized heap copy, so that a read past the reply is caught.
  const DWORD length = static_cast<DWORD>(std::min<std::size_t>(size - 2, kModeReplySize));
  BYTE* reply = static_cast<BYTE*>(std::malloc(length == 0 ? 1 : length));
  if (length > 0) std::memcpy(reply, data + 2, length);

  bool match = false;
  const BYTE* found = InitMMCSeq::FindModePage(reply, length, layout, page, match);
  if (found != nullptr && (found < reply || found >= reply + length)) std::abort();
  if (found == nullptr && match) std::abort();
  if (found != nullptr && match != ((found[0] & 0x3F) == page)) std::abort();

  if (MMC::ModeSelect6Length(reply, length) > length) std::abort();
  if (MMC::ModeSelect10Length(reply, length) > length) std::abort();
  if (MMC::ModeSelect6Length(reply, length) > 0xFF) std::abort();

  std::free(reply);
  return 0;
}
