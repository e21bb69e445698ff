// The contents of the simulated discs' sectors, a pure function of the LBA so that a test
// can check every block: Mode 1 user data, CD-DA samples, and raw 2352-byte Mode 1
// sectors laid out as ECMA-130 has them (sync, header, user data, EDC, zero bytes, P and Q
// parity of the Reed-Solomon product code).
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

inline constexpr std::size_t kUserDataBytes = 2048;
inline constexpr std::size_t kRawSectorBytes = 2352;

class SectorData {
 public:
  // 2048 bytes of Mode 1 user data of the block at `lba`. Bytes 0-3 hold the LBA
  // (big-endian), bytes 4-7 its complement; the rest follows a fixed pseudo-random
  // sequence from a starting point chosen by the LBA.
  static void UserData(std::int32_t lba, std::uint8_t* out);
  // 2352 bytes (588 stereo 16-bit samples) of the audio block at `lba`. Bytes 0-3 hold
  // the LBA XOR A5A5A5A5h (big-endian); the rest as for user data, from another start.
  static void AudioSamples(std::int32_t lba, std::uint8_t* out);
  // The raw 2352-byte Mode 1 sector at `lba` (user data as UserData).
  static void RawMode1(std::int32_t lba, std::uint8_t* out);

  // The pieces of a raw sector, for tests and for READ CD field selections.
  static void SyncPattern(std::uint8_t* out12);              // 00h, 10 x FFh, 00h
  static void Header(std::int32_t lba, std::uint8_t* out4);  // MSF of lba + 150 in BCD, mode 1
  // EDC of ECMA-130 (CRC-32 with polynomial (x^16+x^15+x^2+1)(x^16+x^2+x+1), least
  // significant bit first) over `length` bytes.
  static std::uint32_t Edc(const std::uint8_t* data, std::size_t length);
  // Fills bytes 2076-2351 (P parity, then Q parity) of a sector whose bytes 12-2075 are set.
  static void EccParity(std::uint8_t* sector);
};

}  // namespace sim
