#include "drive/AspiTools.h"

#include <cstdint>

void AspiTools::Swap16(WORD& v) {
  v = static_cast<WORD>((v >> 8) | (v << 8));
}

void AspiTools::Swap32(DWORD& v) {
  v = ((v & 0x000000FFu) << 24) | ((v & 0x0000FF00u) << 8) | ((v & 0x00FF0000u) >> 8) |
      ((v & 0xFF000000u) >> 24);
}

MSF AspiTools::LBAtoMSF(LONG lba) {
  // Wide arithmetic: the offset added to the highest LBAs would overflow 32 bits.
  constexpr std::int64_t kFramesPerSecond = 75;
  constexpr std::int64_t kFramesPerMinute = 60 * kFramesPerSecond;
  constexpr std::int64_t kLeadInOffset = 150;
  constexpr std::int64_t kWrapOffset = 100 * kFramesPerMinute + kLeadInOffset;  // 450150

  const std::int64_t a = lba < -kLeadInOffset ? lba + kWrapOffset : lba + kLeadInOffset;
  const std::int64_t minutes = a / kFramesPerMinute;
  MSF msf;
  msf.M = static_cast<BYTE>(minutes);
  // Seconds are taken from the full minute count, so they stay below 60 even when the
  // minutes no longer fit their byte.
  msf.S = static_cast<BYTE>(a / kFramesPerSecond - minutes * 60);
  msf.F = static_cast<BYTE>(a % kFramesPerSecond);
  return msf;
}
