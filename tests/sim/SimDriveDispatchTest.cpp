// The shared checks of the drive's opcode table: unit attentions, readiness, unknown
// opcodes, trimming of replies, and the command-level faults.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sim/scsi/SimDriveCommandTable.h"
#include "tests/sim/SimDriveTestSupport.h"

namespace sim {
namespace {

using testing::Machine;
using testing::QuietConfig;

TEST(SimDriveDispatch, PowerOnAttentionIsReportedOnceAndInquiryPassesIt) {
  SimDrive drive;  // power-on attention on by default
  Machine m(drive);
  EXPECT_TRUE(m.In({0x12, 0, 0, 0, 36, 0}, 36).good());  // INQUIRY is not held up
  EXPECT_EQ(m.TestUnitReady().Triple(), "06/29/00");
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
}

TEST(SimDriveDispatch, SenseDataIsFixedFormat) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  const auto o = m.NoData({0xFF, 0, 0, 0, 0, 0});
  ASSERT_EQ(o.reply.status, 0x02);
  ASSERT_EQ(o.reply.senseLength, 18);
  const std::uint8_t expected[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0x00};
  EXPECT_TRUE(std::equal(expected, expected + 18, o.reply.sense));
}

TEST(SimDriveDispatch, UnknownOpcodesAreRejected) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  for (std::uint8_t op : {0x01, 0x08, 0x1E, 0x42, 0x4A, 0x51, 0xAE, 0xFF}) {
    EXPECT_EQ(m.NoData({op, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Triple(), "05/20/00") << int(op);
  }
}

// Every one of the 256 opcodes, against the command list: a listed command is answered
// (whatever it thinks of its zeroed fields), anything else is an invalid opcode; without a
// disc only CHECK_READY commands say so; with an attention pending only ALLOW_UA commands
// get past it. SupportedOpcodes is the list.
TEST(SimDriveDispatch, EveryOpcodeFollowsTheCommandList) {
  std::set<std::uint8_t> listed;
  for (const DriveCommand& c : kDriveCommands) listed.insert(c.command.opcode);
  const std::vector<std::uint8_t> supported = SimDrive::SupportedOpcodes();
  EXPECT_EQ(std::set<std::uint8_t>(supported.begin(), supported.end()), listed);
  EXPECT_EQ(supported.size(), listed.size());
  std::uint8_t flags[256] = {};
  for (const DriveCommand& c : kDriveCommands) flags[c.command.opcode] = c.flags;

  for (int i = 0; i < 256; ++i) {
    const std::uint8_t op = static_cast<std::uint8_t>(i);
    SCOPED_TRACE(i);
    SimDrive ready(QuietConfig());
    const std::string answer =
        Machine(ready).In({op, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 64).Triple();
    EXPECT_EQ(answer == "05/20/00", listed.count(op) == 0) << answer;

    SimDriveConfig empty = QuietConfig();
    empty.disc.reset();
    SimDrive noDisc(empty);
    const std::string noMedium =
        Machine(noDisc).In({op, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 64).Triple();
    EXPECT_EQ(noMedium == "02/3A/00", (flags[op] & CHECK_READY) != 0) << noMedium;

    SimDriveConfig attention = QuietConfig();
    attention.powerOnAttention = true;
    SimDrive fresh(attention);
    const std::string first = Machine(fresh).In({op, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 64).Triple();
    EXPECT_EQ(first == "06/29/00", (flags[op] & ALLOW_UA) == 0) << first;
  }
}

TEST(SimDriveDispatch, NoDiscIsNotReadyButModeCommandsStillAnswer) {
  SimDriveConfig config = QuietConfig();
  config.disc.reset();
  SimDrive drive(config);
  Machine m(drive);
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/3A/00");
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "02/3A/00");
  EXPECT_EQ(m.Seek(0).Triple(), "02/3A/00");
  EXPECT_EQ(m.In({0x43, 0, 0, 0, 0, 0, 0xAA, 0x09, 0x30, 0}, 2352).Triple(), "02/3A/00");
  EXPECT_TRUE(m.In({0x1A, 0, 0x01, 0, 120, 0}, 120).good());
  EXPECT_TRUE(m.In({0x12, 0, 0, 0, 36, 0}, 36).good());
  EXPECT_TRUE(m.NoData({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).good());
}

TEST(SimDriveDispatch, InsertedDiscAttentionThenBecomingReadyThenReady) {
  SimDriveConfig config = QuietConfig();
  config.disc.reset();
  config.timing.spinUpMicros = 2'000'000;
  SimDrive drive(config);
  Machine m(drive, 10'000'000);
  drive.InsertDisc(Disc::Data(), 10'000'000);
  EXPECT_EQ(m.TestUnitReady().Triple(), "06/28/00");
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/04/01");
  m.Advance(1'990'000);
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/04/01");
  EXPECT_FALSE(drive.IsReady(m.now()));
  m.Advance(10'000);
  EXPECT_TRUE(drive.IsReady(m.now()));
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
}

TEST(SimDriveDispatch, SpinUpStartsAtTheNextCommandWhenNoTimeIsGiven) {
  SimDriveConfig config = QuietConfig();
  config.discSpunUp = false;
  config.timing.spinUpMicros = 1'000'000;
  SimDrive drive(config);
  Machine m(drive, 5'000'000);
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/04/01");
  m.Advance(999'000);
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/04/01");
  m.Advance(1'000);
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
}

TEST(SimDriveDispatch, EjectGivesNoMediumWithoutAttention) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  drive.EjectDisc();
  EXPECT_FALSE(drive.HasDisc());
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/3A/00");
  EXPECT_EQ(m.TestUnitReady().Triple(), "02/3A/00");
}

TEST(SimDriveDispatch, ResetRestoresPowerOnStateWithOneAttention) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  // Block length 2352 through MODE SELECT(6), then a reset.
  ASSERT_TRUE(m.Out({0x15, 0x10, 0, 0, 12, 0}, {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}).good());
  ASSERT_EQ(drive.BlockLength(), 2352);
  ASSERT_TRUE(m.NoData({0xBB, 0, 0x0D, 0xC0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).good());  // 20x
  ASSERT_EQ(drive.ChosenSpeed(), 20.0);
  drive.Reset();
  EXPECT_EQ(drive.BlockLength(), 2048);
  EXPECT_EQ(drive.ChosenSpeed(), 52.0);
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "06/29/00");
  EXPECT_EQ(m.Read10(0, 1, 2048).Triple(), "GOOD");
}

TEST(SimDriveDispatch, AttentionsQueueInOrder) {
  SimDrive drive;  // 06/29/00 pending
  Machine m(drive);
  drive.InsertDisc(Disc::Data(), 0);
  drive.InsertDisc(Disc::Data(), 0);  // a second change adds no second attention
  EXPECT_EQ(m.TestUnitReady().Triple(), "06/29/00");
  EXPECT_EQ(m.TestUnitReady().Triple(), "06/28/00");
  EXPECT_NE(m.TestUnitReady().Triple().substr(0, 2), "06");
}

TEST(SimDriveDispatch, RequestSenseReportsAndClearsAPendingAttention) {
  SimDrive drive;
  Machine m(drive);
  auto o = m.In({0x03, 0, 0, 0, 18, 0}, 18);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.data[0], 0x70);
  EXPECT_EQ(o.data[2], 0x06);
  EXPECT_EQ(o.data[12], 0x29);
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
}

TEST(SimDriveDispatch, RepliesAreTrimmedToAllocationAndTransferArea) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  // INQUIRY allocation 8 into a 36-byte area.
  auto o = m.In({0x12, 0, 0, 0, 8, 0}, 36);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 8u);
  EXPECT_EQ(o.data[8], 0xEE);  // untouched beyond the allocation
  // INQUIRY allocation 36 into a 5-byte area.
  o = m.In({0x12, 0, 0, 0, 36, 0}, 5);
  EXPECT_EQ(o.reply.transferred, 5u);
  // READ(10) of 2 blocks into an area of 3000 bytes: what fits, nothing beyond.
  o = m.In({0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0}, 3000);
  ASSERT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 3000u);
  // With no transfer area nothing moves.
  o = m.NoData({0x12, 0, 0, 0, 36, 0});
  EXPECT_TRUE(o.good());
  EXPECT_EQ(o.reply.transferred, 0u);
}

TEST(SimDriveDispatch, InquiryIdentity) {
  SimDriveConfig config = QuietConfig();
  config.identity = {"ACME", "FASTDRIVE 52X", "1.2"};
  SimDrive drive(config);
  Machine m(drive);
  auto o = m.In({0x12, 0, 0, 0, 36, 0}, 36);
  ASSERT_TRUE(o.good());
  const std::vector<std::uint8_t> head = {0x05, 0x80, 0x00, 0x02, 31, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(o.data.begin(), o.data.begin() + 8), head);
  EXPECT_EQ(std::string(o.data.begin() + 8, o.data.begin() + 36), "ACME    FASTDRIVE 52X   1.2 ");
  EXPECT_EQ(m.In({0x12, 1, 0x80, 0, 36, 0}, 36).Triple(), "05/24/00");  // no VPD pages
}

TEST(SimDriveDispatch, BusyThenAbortedThenNormal) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  drive.SetBusy(2);
  drive.SetAborted(1);
  auto o = m.TestUnitReady();
  EXPECT_EQ(o.reply.status, 0x08);
  EXPECT_EQ(o.reply.senseLength, 0);
  EXPECT_EQ(m.TestUnitReady().Triple(), "BUSY");
  EXPECT_EQ(m.TestUnitReady().Triple(), "0B/00/06");
  EXPECT_EQ(m.TestUnitReady().Triple(), "GOOD");
}

TEST(SimDriveDispatch, VanishedDriveGivesNoResponse) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  drive.VanishAfter(2);
  EXPECT_TRUE(m.TestUnitReady().good());
  EXPECT_TRUE(m.In({0x12, 0, 0, 0, 36, 0}, 36).good());
  for (int i = 0; i < 3; ++i) {
    const auto o = m.In({0x12, 0, 0, 0, 36, 0}, 36);
    EXPECT_FALSE(o.reply.responded);
    EXPECT_EQ(o.reply.transferred, 0u);
  }
  SimDrive other(QuietConfig());
  other.Vanish();
  Machine m2(other);
  EXPECT_EQ(m2.TestUnitReady().Triple(), "NO RESPONSE");
}

TEST(SimDriveDispatch, HungDriveTakesLongAndGivesNoResponse) {
  SimDrive drive(QuietConfig());
  Machine m(drive);
  drive.HangAfter(1);
  EXPECT_TRUE(m.TestUnitReady().good());
  for (int i = 0; i < 2; ++i) {
    const auto o = m.Read10(0, 1, 2048);
    EXPECT_FALSE(o.reply.responded);
    EXPECT_EQ(o.reply.serviceMicros, DriveFaults::kHangMicros);
  }
}

TEST(SimDriveDispatch, ReceivedCommandsAreRecorded) {
  SimDrive drive(QuietConfig());
  Machine m(drive, 100);
  m.TestUnitReady();
  m.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}, std::vector<std::uint8_t>(16, 0));
  const auto received = drive.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].cdb[0], 0x00);
  EXPECT_EQ(received[0].cdbLength, 6);
  EXPECT_EQ(received[0].nowMicros, 100u);
  EXPECT_EQ(received[1].cdb[0], 0x55);
  EXPECT_EQ(received[1].dataOut.size(), 16u);
  EXPECT_EQ(received[1].asc, 0x26);  // a page 00h cannot be written
  drive.ClearReceived();
  EXPECT_EQ(drive.ReceivedCount(), 0u);
}

}  // namespace
}  // namespace sim
