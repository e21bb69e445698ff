// The medium from the drive's replies: the current profile's name and family, and a DVD's
// layers from its physical format.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scsi/DiscStructure.h"
#include "scsi/Profiles.h"

namespace scsi {
namespace {

TEST(Profiles, NamesAndFamilies) {
  const struct {
    std::uint16_t code;
    const char* name;
    MediumFamily family;
  } cases[] = {
      {0x0008, "CD-ROM", MediumFamily::CD},        {0x0009, "CD-R", MediumFamily::CD},
      {0x000A, "CD-RW", MediumFamily::CD},         {0x0010, "DVD-ROM", MediumFamily::DVD},
      {0x0011, "DVD-R", MediumFamily::DVD},        {0x0012, "DVD-RAM", MediumFamily::DVD},
      {0x0013, "DVD-RW", MediumFamily::DVD},       {0x0014, "DVD-RW", MediumFamily::DVD},
      {0x0015, "DVD-R DL", MediumFamily::DVD},     {0x0016, "DVD-R DL", MediumFamily::DVD},
      {0x001A, "DVD+RW", MediumFamily::DVD},       {0x001B, "DVD+R", MediumFamily::DVD},
      {0x002A, "DVD+RW DL", MediumFamily::DVD},    {0x002B, "DVD+R DL", MediumFamily::DVD},
      {0x0040, "BD-ROM", MediumFamily::BD},        {0x0041, "BD-R", MediumFamily::BD},
      {0x0042, "BD-R", MediumFamily::BD},          {0x0043, "BD-RE", MediumFamily::BD},
      {0x0050, "profile 0050h", MediumFamily::CD},  // not listed: counted as a CD
      {0x0002, "profile 0002h", MediumFamily::CD},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileName(c.code), c.name) << c.code;
    EXPECT_EQ(FamilyOf(c.code), c.family) << c.code;
  }
}

TEST(Profiles, CurrentProfileFromTheFeatureHeader) {
  const std::uint8_t reply[] = {0, 0, 0, 12, 0, 0, 0x00, 0x43, 0, 0, 3, 4};
  std::uint16_t profile = 0;
  EXPECT_TRUE(CurrentProfile(reply, sizeof reply, profile));
  EXPECT_EQ(profile, 0x0043);
  profile = 0x1234;
  EXPECT_FALSE(CurrentProfile(reply, 7, profile));  // no whole header
  EXPECT_EQ(profile, 0x1234);
}

// A format 00h reply: 4-byte header, then the physical format information.
std::vector<std::uint8_t> PhysicalFormat(std::uint8_t byte6, std::uint32_t start, std::uint32_t end,
                                         std::uint32_t layer0End) {
  std::vector<std::uint8_t> r(4 + 2048);
  r[6] = byte6;
  auto put24 = [&r](std::size_t at, std::uint32_t v) {
    r[at] = std::uint8_t(v >> 16);
    r[at + 1] = std::uint8_t(v >> 8);
    r[at + 2] = std::uint8_t(v);
  };
  put24(9, start);
  put24(13, end);
  put24(17, layer0End);
  return r;
}

TEST(DiscStructure, LayersFromThePhysicalFormat) {
  const struct {
    const char* what;
    std::uint8_t byte6;
    std::uint32_t start, end, layer0End;
    int layers;
    TrackPath path;
    std::optional<std::int64_t> layerBreak;
  } cases[] = {
      {"single layer", 0x01, 0x30000, 0x30000 + 2298496 - 1, 0, 1, TrackPath::Parallel, {}},
      {"opposite, break not at half", 0x31, 0x30000, 0xFFFFFF & ~(0x30000u + 152128),
       0x30000 + 2052096 - 1, 2, TrackPath::Opposite, 2052096},
      {"parallel: one layer's length", 0x21, 0x30000, 0x30000 + 2000000 - 1, 0, 2,
       TrackPath::Parallel, 2000000},
      {"opposite, layer 0 ends before it starts",
       0x31,
       0x30000,
       0xFCFFFF,
       0x2FFFF,
       2,
       TrackPath::Opposite,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> reply = PhysicalFormat(c.byte6, c.start, c.end, c.layer0End);
    const std::optional<DvdLayers> d = ParsePhysicalFormat(reply.data(), reply.size());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->layers, c.layers);
    EXPECT_EQ(d->trackPath, c.path);
    EXPECT_EQ(d->startSector, c.start);
    EXPECT_EQ(d->layerBreak, c.layerBreak);
  }
  const std::vector<std::uint8_t> reply = PhysicalFormat(0x31, 0x30000, 0, 0x40000);
  EXPECT_FALSE(ParsePhysicalFormat(reply.data(), kPhysicalFormatLength - 1));  // cut short
  EXPECT_TRUE(ParsePhysicalFormat(reply.data(), kPhysicalFormatLength));
}

}  // namespace
}  // namespace scsi
