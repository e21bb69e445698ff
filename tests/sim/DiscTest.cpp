// Disc layouts: track numbering and addresses, the lead-out, the 99-minute and 99-track
// limits, and lookups by LBA.
#include <gtest/gtest.h>

#include "sim/scsi/Disc.h"

namespace sim {
namespace {

TEST(Disc, LayoutsAndLookups) {
  const Disc mixed = Disc::Mixed(1000, {500, 700});
  ASSERT_EQ(mixed.Tracks().size(), 3u);
  EXPECT_EQ(mixed.FirstTrack(), 1);
  EXPECT_EQ(mixed.LastTrack(), 3);
  EXPECT_EQ(mixed.LeadOut(), 2200);
  struct Case {
    std::int32_t lba;
    int track;  // 0: none
    TrackKind kind;
  };
  for (const Case& c : std::vector<Case>{{-1, 0, TrackKind::Data},
                                         {0, 1, TrackKind::Data},
                                         {999, 1, TrackKind::Data},
                                         {1000, 2, TrackKind::Audio},
                                         {1499, 2, TrackKind::Audio},
                                         {1500, 3, TrackKind::Audio},
                                         {2199, 3, TrackKind::Audio},
                                         {2200, 0, TrackKind::Data}}) {
    const Track* t = mixed.TrackOf(c.lba);
    EXPECT_EQ(t ? t->number : 0, c.track) << c.lba;
    if (t) {
      EXPECT_EQ(mixed.KindAt(c.lba), c.kind) << c.lba;
    }
  }
  ASSERT_NE(mixed.TrackNumbered(3), nullptr);
  EXPECT_EQ(mixed.TrackNumbered(3)->startLba, 1500);
  EXPECT_EQ(mixed.TrackNumbered(4), nullptr);
}

TEST(Disc, BlankAndLimits) {
  const Disc blank = Disc::Blank();
  EXPECT_TRUE(blank.IsBlank());
  EXPECT_EQ(blank.LeadOut(), 0);
  EXPECT_EQ(blank.TrackOf(0), nullptr);

  EXPECT_EQ(Disc::Blocks(79, 57), 359775);
  EXPECT_EQ(Disc::Data().LeadOut(), 359775);
  EXPECT_EQ(Disc::Data(Disc::Blocks(120, 0)).LeadOut(), Disc::Blocks(99, 0));  // cut at 99 min

  const Disc many = Disc::Audio(std::vector<std::int32_t>(120, 100));
  EXPECT_EQ(many.Tracks().size(), 99u);
  EXPECT_EQ(many.LastTrack(), 99);
  EXPECT_EQ(many.LeadOut(), 9900);

  const Disc odd = Disc::Audio({0, -5, 10});  // lengths kept positive
  EXPECT_EQ(odd.LeadOut(), 1 + 1 + 10);
}

}  // namespace
}  // namespace sim
