// Sector contents: sync and header, the EDC checked against a long division by the
// product polynomial, and the P and Q parity checked by their syndromes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "sim/scsi/SectorData.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Carry-less product of two polynomials over GF(2), bit i = coefficient of x^i.
std::uint64_t PolyMul(std::uint64_t a, std::uint64_t b) {
  std::uint64_t r = 0;
  for (int i = 0; i < 32; ++i)
    if (b >> i & 1) r ^= a << i;
  return r;
}

// The EDC as ECMA-130 defines it: the bits of the bytes, least significant bit of each
// byte first, form a polynomial whose first bit is the highest power; the remainder of its
// product with x^32 divided by P(x) is the parity. Returned with the coefficient of x^31 in
// bit 0, the order in which the EDC bytes are recorded (least significant byte first).
std::uint32_t EdcByLongDivision(const std::uint8_t* data, std::size_t length) {
  const std::uint64_t p =
      PolyMul((1u << 16) | (1u << 15) | (1u << 2) | 1u, (1u << 16) | (1u << 2) | (1u << 1) | 1u);
  EXPECT_EQ(p, 0x18001801BULL);  // x^32+x^31+x^16+x^15+x^4+x^3+x+1
  std::uint64_t rem = 0;         // 32 bits of running remainder
  auto shiftIn = [&](int bit) {
    rem = (rem << 1) | static_cast<std::uint64_t>(bit);
    if (rem >> 32 & 1) rem ^= p;
  };
  for (std::size_t i = 0; i < length; ++i)
    for (int b = 0; b < 8; ++b) shiftIn(data[i] >> b & 1);
  for (int b = 0; b < 32; ++b) shiftIn(0);
  std::uint32_t reflected = 0;
  for (int i = 0; i < 32; ++i)
    if (rem >> i & 1) reflected |= 1u << (31 - i);
  return reflected;
}

struct Field {
  std::array<int, 256> log{};
  std::array<int, 255> exp{};
  Field() {
    int x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = x;
      log[x] = i;
      x = (x << 1) ^ ((x & 0x80) ? 0x11D : 0);
      x &= 0xFF;
    }
  }
  int Mul(int a, int b) const { return a && b ? exp[(log[a] + log[b]) % 255] : 0; }
  int Alpha(int power) const { return exp[power % 255]; }
};

// The two syndromes of a codeword c_0..c_{n-1}: sum c_i and sum c_i alpha^(n-1-i).
std::pair<int, int> Syndromes(const Field& gf, const std::vector<int>& c) {
  int s0 = 0, s1 = 0;
  const int n = static_cast<int>(c.size());
  for (int i = 0; i < n; ++i) {
    s0 ^= c[i];
    s1 ^= gf.Mul(c[i], gf.Alpha(n - 1 - i));
  }
  return {s0, s1};
}

// Whether every P and Q codeword of a raw Mode 1 sector has zero syndromes.
bool ParityHolds(const Bytes& sector) {
  static const Field gf;
  const std::uint8_t* s = sector.data() + 12;
  for (int col = 0; col < 86; ++col) {  // P: 24 data rows + 2 parity rows of 86 bytes
    std::vector<int> c;
    for (int row = 0; row < 26; ++row) c.push_back(s[col + 86 * row]);
    if (Syndromes(gf, c) != std::pair{0, 0}) return false;
  }
  for (int diag = 0; diag < 52; ++diag) {  // Q: 43 bytes along a diagonal + 2 parity bytes
    std::vector<int> c;
    const int word = diag / 2, plane = diag % 2;
    for (int k = 0; k < 43; ++k) c.push_back(s[2 * ((43 * word + 44 * k) % 1118) + plane]);
    c.push_back(s[2236 + diag]);
    c.push_back(s[2236 + 52 + diag]);
    if (Syndromes(gf, c) != std::pair{0, 0}) return false;
  }
  return true;
}

Bytes Raw(std::int32_t lba) {
  Bytes b(kRawSectorBytes);
  SectorData::RawMode1(lba, b.data());
  return b;
}

TEST(SectorData, SyncAndBcdHeader) {
  struct Case {
    std::int32_t lba;
    Bytes header;
  };
  const std::vector<Case> cases = {
      {0, {0x00, 0x02, 0x00, 0x01}},      {16, {0x00, 0x02, 0x16, 0x01}},
      {10000, {0x02, 0x15, 0x25, 0x01}},  {300000, {0x66, 0x42, 0x00, 0x01}},
      {359774, {0x79, 0x58, 0x74, 0x01}},  // 359924 frames = 79:58:74
  };
  for (const Case& c : cases) {
    const Bytes raw = Raw(c.lba);
    EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 12),
              (Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(Bytes(raw.begin() + 12, raw.begin() + 16), c.header) << c.lba;
    EXPECT_EQ(Bytes(raw.begin() + 2068, raw.begin() + 2076), Bytes(8, 0));
  }
}

TEST(SectorData, EdcMatchesLongDivisionByTheProductPolynomial) {
  for (std::int32_t lba : {0, 1, 4500, 123456, 359774}) {
    const Bytes raw = Raw(lba);
    const std::uint32_t stored =
        raw[2064] | raw[2065] << 8 | raw[2066] << 16 | static_cast<std::uint32_t>(raw[2067]) << 24;
    EXPECT_EQ(stored, EdcByLongDivision(raw.data(), 2064)) << lba;
    EXPECT_EQ(SectorData::Edc(raw.data(), 2068), 0u) << lba;  // data + its EDC leaves nothing
  }
  const std::uint8_t one[] = {0x01};
  EXPECT_EQ(SectorData::Edc(one, 1), EdcByLongDivision(one, 1));
  EXPECT_NE(SectorData::Edc(one, 1), 0u);
}

TEST(SectorData, ParityOfTheProductCodeHasZeroSyndromes) {
  for (std::int32_t lba : {0, 77, 200000, 359774}) {
    Bytes raw = Raw(lba);
    EXPECT_TRUE(ParityHolds(raw)) << lba;
    raw[500] ^= 0x01;  // one damaged byte shows
    EXPECT_FALSE(ParityHolds(raw)) << lba;
  }
}

TEST(SectorData, ContentsAreAPureFunctionOfTheLba) {
  Bytes a(2048), b(2048), c(2048);
  SectorData::UserData(4242, a.data());
  SectorData::UserData(4242, b.data());
  SectorData::UserData(4243, c.data());
  EXPECT_EQ(a, b);
  int differing = 0;
  for (std::size_t i = 8; i < 2048; ++i) differing += a[i] != c[i];
  EXPECT_GT(differing, 1900);
  EXPECT_EQ(Bytes(a.begin(), a.begin() + 8), (Bytes{0, 0, 0x10, 0x92, 0xFF, 0xFF, 0xEF, 0x6D}));
  Bytes audio(2352);
  SectorData::AudioSamples(4242, audio.data());
  EXPECT_EQ(Bytes(audio.begin(), audio.begin() + 4), (Bytes{0xA5, 0xA5, 0xB5, 0x37}));
  const Bytes raw = Raw(4242);
  EXPECT_EQ(Bytes(raw.begin() + 16, raw.begin() + 16 + 2048), a);
}

}  // namespace
}  // namespace sim
