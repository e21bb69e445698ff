#include "app/TocLeadOut.h"

#include <algorithm>

#include "drive/AspiTools.h"
#include "scsi/Opcodes.h"

namespace {

constexpr std::size_t kTocHeaderSize = 4;
constexpr std::size_t kTocDescriptorSize = 8;

}  // namespace

std::vector<LONG> LeadOutAddresses(const BYTE* toc, std::size_t size) {
  std::vector<LONG> found;
  if (toc == nullptr || size < kTocHeaderSize) return found;
  WORD length = static_cast<WORD>(toc[0] | (toc[1] << 8));
  AspiTools::Swap16(length);
  const std::size_t announced = length >= 2 ? (length - 2u) / kTocDescriptorSize : 0;
  // A length that announces more descriptors than the reply holds is cut to the reply.
  const std::size_t descriptors = std::min(announced, (size - kTocHeaderSize) / kTocDescriptorSize);
  for (std::size_t i = 0; i < descriptors; ++i) {
    const BYTE* d = toc + kTocHeaderSize + i * kTocDescriptorSize;
    DWORD address =
        static_cast<DWORD>(d[4] | (d[5] << 8) | (d[6] << 16)) | (static_cast<DWORD>(d[7]) << 24);
    AspiTools::Swap32(address);
    if (d[2] == scsi::kLeadOutTrack) found.push_back(static_cast<LONG>(address));
  }
  return found;
}
