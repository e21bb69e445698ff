#include "sim/scsi/SectorData.h"

#include <array>
#include <cstring>

namespace sim {
namespace {

// The pseudo-random sequence user data and samples are cut from: kPeriod starting
// points, each followed by a whole raw sector's worth of bytes.
constexpr std::uint32_t kPeriod = 4093;  // prime, so neighbouring LBAs start far apart
constexpr std::uint32_t kStride = 1031;

struct Sequence {
  std::array<std::uint8_t, kPeriod + kRawSectorBytes> bytes{};
  Sequence() {
    std::uint32_t x = 0x9E3779B9u;
    for (auto& b : bytes) {  // xorshift32
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<std::uint8_t>(x >> 24);
    }
  }
};

const Sequence& TheSequence() {
  static const Sequence sequence;
  return sequence;
}

void PutBigEndian32(std::uint8_t* out, std::uint32_t v) {
  out[0] = static_cast<std::uint8_t>(v >> 24);
  out[1] = static_cast<std::uint8_t>(v >> 16);
  out[2] = static_cast<std::uint8_t>(v >> 8);
  out[3] = static_cast<std::uint8_t>(v);
}

struct EdcTable {
  std::array<std::uint32_t, 256> entries{};
  EdcTable() {
    // (x^16+x^15+x^2+1)(x^16+x^2+x+1) = x^32+x^31+x^16+x^15+x^4+x^3+x+1, bit-reversed.
    constexpr std::uint32_t kReflected = 0xD8018001u;
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t r = i;
      for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ kReflected : r >> 1;
      entries[i] = r;
    }
  }
};

// GF(2^8) with the primitive polynomial x^8+x^4+x^3+x^2+1 of the CIRC and sector codes.
struct Galois {
  std::array<std::uint8_t, 512> exp{};
  std::array<int, 256> log{};
  Galois() {
    int x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = static_cast<std::uint8_t>(x);
      log[x] = i;
      x <<= 1;
      if (x & 0x100) x ^= 0x11D;
    }
    for (int i = 255; i < 512; ++i) exp[i] = exp[i - 255];
  }
  std::uint8_t DivByAlphaPlusOne(std::uint8_t d) const {  // alpha + 1 = 3
    return d == 0 ? 0 : exp[log[d] + 255 - log[3]];
  }
};

const Galois& TheField() {
  static const Galois field;
  return field;
}

std::uint8_t MulAlpha(std::uint8_t x) {
  return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1D : 0x00));
}

// The two parity symbols that end a Reed-Solomon codeword of n symbols, checked by
// sum(c_i) = 0 and sum(c_i * alpha^(n-1-i)) = 0. The n - 2 data symbols are read from
// `base` starting at `first`, `step` apart, modulo `wrap`.
void ParityPair(const std::uint8_t* base, int n, int first, int step, int wrap, std::uint8_t* p0,
                std::uint8_t* p1) {
  std::uint8_t a = 0, b = 0;  // b by Horner's rule: sum d_i * alpha^(n-3-i)
  for (int i = 0, at = first; i < n - 2; ++i) {
    const std::uint8_t d = base[at];
    a ^= d;
    b = static_cast<std::uint8_t>(MulAlpha(b) ^ d);
    at += step;
    if (at >= wrap) at -= wrap;
  }
  b = MulAlpha(MulAlpha(b));  // now sum d_i * alpha^(n-1-i)
  // p0 + p1 = a and alpha * p0 + p1 = b.
  *p0 = TheField().DivByAlphaPlusOne(static_cast<std::uint8_t>(a ^ b));
  *p1 = static_cast<std::uint8_t>(a ^ *p0);
}

std::uint8_t Bcd(int v) {
  return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}

}  // namespace

void SectorData::UserData(std::int32_t lba, std::uint8_t* out) {
  const std::uint32_t start = static_cast<std::uint32_t>(lba) * kStride % kPeriod;
  std::memcpy(out, TheSequence().bytes.data() + start, kUserDataBytes);
  PutBigEndian32(out, static_cast<std::uint32_t>(lba));
  PutBigEndian32(out + 4, ~static_cast<std::uint32_t>(lba));
}

void SectorData::AudioSamples(std::int32_t lba, std::uint8_t* out) {
  const std::uint32_t start = (static_cast<std::uint32_t>(lba) * kStride + 2000) % kPeriod;
  std::memcpy(out, TheSequence().bytes.data() + start, kRawSectorBytes);
  PutBigEndian32(out, static_cast<std::uint32_t>(lba) ^ 0xA5A5A5A5u);
}

void SectorData::SyncPattern(std::uint8_t* out12) {
  out12[0] = 0x00;
  std::memset(out12 + 1, 0xFF, 10);
  out12[11] = 0x00;
}

void SectorData::Header(std::int32_t lba, std::uint8_t* out4) {
  const std::int64_t a = std::int64_t{lba} + 150;
  out4[0] = Bcd(a / 4500);
  out4[1] = Bcd(a / 75 % 60);
  out4[2] = Bcd(a % 75);
  out4[3] = 0x01;
}

std::uint32_t SectorData::Edc(const std::uint8_t* data, std::size_t length) {
  static const EdcTable table;
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) crc = table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void SectorData::EccParity(std::uint8_t* sector) {
  std::uint8_t* s = sector + 12;  // the code covers the header onwards
  // P: 86 columns (43 words, two byte planes) of 24 symbols, parity in rows 24 and 25.
  for (int major = 0; major < 86; ++major)
    ParityPair(s, 26, major, 86, 1 << 30, s + 2064 + major, s + 2150 + major);
  // Q: 52 diagonals of 43 symbols over the 2236 bytes of header, data and P parity.
  for (int major = 0; major < 52; ++major)
    ParityPair(s, 45, (major >> 1) * 86 + (major & 1), 88, 2236, s + 2236 + major,
               s + 2288 + major);
}

void SectorData::RawMode1(std::int32_t lba, std::uint8_t* out) {
  SyncPattern(out);
  Header(lba, out + 12);
  UserData(lba, out + 16);
  const std::uint32_t edc = Edc(out, 2064);
  out[2064] = static_cast<std::uint8_t>(edc);  // least significant byte first
  out[2065] = static_cast<std::uint8_t>(edc >> 8);
  out[2066] = static_cast<std::uint8_t>(edc >> 16);
  out[2067] = static_cast<std::uint8_t>(edc >> 24);
  std::memset(out + 2068, 0, 8);
  EccParity(out);
}

}  // namespace sim
