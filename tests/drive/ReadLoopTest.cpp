// The sector read loop: command split, attempts, block-by-block recovery, the order of the
// callbacks, both ways of stopping, and where the data lands.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "drive/ReadRequest.h"
#include "tests/drive/FakeDrive.h"
#include "tests/drive/Machine.h"

namespace drivetest {
namespace {

struct Event {
  char kind;  // 'C' onCommandError, 'B' onBlockError, 'P' onProgress
  LONG lba;
  DWORD index;
  DWORD blocks;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << e.kind << "(" << e.lba << "," << e.index << "," << e.blocks << ")";
}

// The owner of the callbacks: records every call and answers as told.
class Recorder {
 public:
  using Action = std::function<BYTE(ReadCallbackInfo&)>;
  Action commandError, blockError, progress;

  std::vector<Event> events;
  std::vector<BYTE*> data;            // the data pointer of every call
  std::vector<DWORD> blocksDoneSeen;  // blocksDone at every call
  std::vector<BYTE> statusSeen;       // *status at every call
  bool requestMismatch = false;

  BYTE OnCommandError(ReadCallbackInfo& info) { return Log('C', info, commandError); }
  BYTE OnBlockError(ReadCallbackInfo& info) { return Log('B', info, blockError); }
  BYTE OnProgress(ReadCallbackInfo& info) { return Log('P', info, progress); }

  ReadCallback CommandError() {
    return ReadCallback::Bind<Recorder, &Recorder::OnCommandError>(this);
  }
  ReadCallback BlockError() { return ReadCallback::Bind<Recorder, &Recorder::OnBlockError>(this); }
  ReadCallback Progress() { return ReadCallback::Bind<Recorder, &Recorder::OnProgress>(this); }

  ReadRequest* expected = nullptr;

 private:
  BYTE Log(char kind, ReadCallbackInfo& info, const Action& action) {
    events.push_back({kind, info.lba, info.index, info.blocks});
    data.push_back(info.data);
    blocksDoneSeen.push_back(info.request->blocksDone);
    statusSeen.push_back(*info.status);
    if (info.request != expected) requestMismatch = true;
    return action ? action(info) : 0;
  }
};

BYTE SetSuccess(ReadCallbackInfo& info) {
  *info.status = SS_COMP;
  return 0;
}
BYTE Continue(ReadCallbackInfo&) {
  return 0;
}
BYTE Stop(ReadCallbackInfo&) {
  return 1;
}

// A read of a range on a FakeDrive, with buffers sized for the request.
class ReadLoopTest : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    machine_.reset();  // one installed machine at a time
    drive_ = std::make_shared<FakeDrive>();
    machine_ = std::make_unique<Machine>(GetParam(), drive_);
    ASSERT_EQ(machine_->chain().DeviceCount, 1);
    drive_->Clear();
  }

  // READ(10) of `count` blocks from `start`, `per` blocks per command.
  ReadRequest& Prepare(LONG start, DWORD count, DWORD per, DWORD readMode = kReadModeRead10,
                       DWORD blockSize = 2048) {
    const DWORD perCommand = per == 0 ? 16 : per;
    commandBuffer_.assign(static_cast<std::size_t>(perCommand) * blockSize, 0xC5);
    blockStatus_.assign(perCommand, 0x80);
    request_ = ReadRequest{};
    request_.device = &machine_->device();
    request_.startLba = start;
    request_.blockCount = count;
    request_.blocksDone = 12345;
    request_.commandBuffer = commandBuffer_.data();
    request_.blockSize = blockSize;
    request_.sense = &sense_;
    request_.readMode = readMode;
    request_.blocksPerCommand = per;
    request_.blockStatus = blockStatus_.data();
    request_.user = &user_;
    recorder_.expected = &request_;
    return request_;
  }

  BYTE Run() { return machine_->chain().ReadBlocks(&request_); }

  std::vector<std::uint32_t> ReadSizes() const {
    std::vector<std::uint32_t> sizes;
    for (const ReceivedCdb& c : drive_->ReadCommands()) sizes.push_back(c.ReadBlocks());
    return sizes;
  }
  std::vector<std::int32_t> ReadLbas() const {
    std::vector<std::int32_t> lbas;
    for (const ReceivedCdb& c : drive_->ReadCommands()) lbas.push_back(c.ReadLba());
    return lbas;
  }

  bool BlockHoldsPattern(const BYTE* at, LONG lba, DWORD blockSize) const {
    for (DWORD i = 0; i < blockSize; ++i) {
      if (at[i] != FakeDrive::Pattern(lba, i, blockSize)) return false;
    }
    return true;
  }

  std::shared_ptr<FakeDrive> drive_;
  std::unique_ptr<Machine> machine_;
  std::vector<BYTE> commandBuffer_;
  std::vector<BYTE> blockStatus_;
  ReadRequest request_{};
  SenseResult sense_{};
  int user_ = 0;
  Recorder recorder_;
};

TEST_P(ReadLoopTest, SplitsTheRangeIntoCommands) {
  ReadRequest& r = Prepare(1000, 100, 27);
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_COMP);
  EXPECT_EQ(ReadSizes(), (std::vector<std::uint32_t>{27, 27, 27, 19}));
  EXPECT_EQ(ReadLbas(), (std::vector<std::int32_t>{1000, 1027, 1054, 1081}));
  EXPECT_EQ(
      recorder_.events,
      (std::vector<Event>{
          {'P', 1000, 0, 27}, {'P', 1027, 27, 27}, {'P', 1054, 54, 27}, {'P', 1081, 81, 19}}));
  EXPECT_EQ(recorder_.blocksDoneSeen, (std::vector<DWORD>{27, 54, 81, 100}));
  EXPECT_EQ(r.blocksDone, 100u);
  EXPECT_FALSE(recorder_.requestMismatch);
  EXPECT_EQ(r.user, &user_);
  // Every command read into the one command buffer; it now holds the last command.
  for (BYTE* d : recorder_.data) EXPECT_EQ(d, commandBuffer_.data());
  for (DWORD k = 0; k < 19; ++k) {
    EXPECT_TRUE(BlockHoldsPattern(commandBuffer_.data() + k * 2048, 1081 + k, 2048)) << k;
  }
  for (DWORD k = 0; k < 27; ++k) EXPECT_EQ(blockStatus_[k] & 1, 0) << k;
}

TEST_P(ReadLoopTest, CommandSizes) {
  struct Case {
    DWORD count, per;
    std::vector<std::uint32_t> sizes;
  };
  const Case cases[] = {
      {10, 27, {10}}, {27, 27, {27}},    {28, 27, {27, 1}}, {40, 0, {16, 16, 8}},
      {16, 0, {16}},  {3, 1, {1, 1, 1}}, {0, 27, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " blocks, " << c.per << " per command");
    drive_->Clear();
    recorder_.events.clear();
    ReadRequest& r = Prepare(500, c.count, c.per);
    r.onProgress = recorder_.Progress();
    r.onCommandError = recorder_.CommandError();
    EXPECT_EQ(Run(), SS_COMP);
    EXPECT_EQ(ReadSizes(), c.sizes);
    EXPECT_EQ(r.blocksDone, c.count);
    EXPECT_EQ(recorder_.events.size(), c.sizes.size());
  }
}

TEST_P(ReadLoopTest, HugeCommandSizeReadsTheRangeOnceAndEnds) {
  // offset + blocksPerCommand must not wrap round to a value inside the range.
  ReadRequest& r = Prepare(0, 10, 27, kReadModeReadCD, 2352);
  std::vector<BYTE> range(10 * 2352);
  r.rangeBuffer = range.data();
  r.readCdFlags = 0xF8;
  r.blocksPerCommand = 0xFFFFFFFFu;
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_COMP);
  EXPECT_EQ(ReadSizes(), (std::vector<std::uint32_t>{10}));
  EXPECT_EQ(recorder_.events, (std::vector<Event>{{'P', 0, 0, 10}}));
  EXPECT_EQ(r.blocksDone, 10u);
}

TEST_P(ReadLoopTest, EmptyRangeSendsNothingAndCallsNothing) {
  ReadRequest& r = Prepare(0, 0, 27);
  r.onProgress = recorder_.Progress();
  r.onCommandError = recorder_.CommandError();
  r.onBlockError = recorder_.BlockError();
  EXPECT_EQ(Run(), SS_COMP);
  EXPECT_TRUE(drive_->Commands().empty());
  EXPECT_TRUE(recorder_.events.empty());
  EXPECT_EQ(r.blocksDone, 0u);
}

TEST_P(ReadLoopTest, RangeBufferTakesEachCommandAtItsOffset) {
  ReadRequest& r = Prepare(2000, 100, 27);
  std::vector<BYTE> range(100 * 2048, 0x11);
  r.rangeBuffer = range.data();
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_COMP);
  ASSERT_EQ(recorder_.data.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(recorder_.data[i], range.data() + recorder_.events[i].index * 2048);
  }
  for (LONG k = 0; k < 100; ++k) {
    EXPECT_TRUE(BlockHoldsPattern(range.data() + k * 2048, 2000 + k, 2048)) << k;
  }
  EXPECT_EQ(commandBuffer_, std::vector<BYTE>(commandBuffer_.size(), 0xC5));
}

TEST_P(ReadLoopTest, ReadModesSendTheirCommands) {
  struct Case {
    DWORD mode;
    BYTE opcode;
  };
  for (const Case& c : {Case{kReadModeReadCD, 0xBE}, Case{kReadModeReadCDMSF, 0xB9}}) {
    SCOPED_TRACE(c.mode);
    drive_->Clear();
    ReadRequest& r = Prepare(300000, 30, 27, c.mode, 2352);
    std::vector<BYTE> range(30 * 2352);
    r.rangeBuffer = range.data();
    r.sectorType = 0xFF;
    r.readCdFlags = 0xFF;
    r.subChannel = 0xFF;
    EXPECT_EQ(Run(), SS_COMP);
    const std::vector<ReceivedCdb> reads = drive_->ReadCommands();
    ASSERT_EQ(reads.size(), 2u);
    for (const ReceivedCdb& read : reads) {
      EXPECT_EQ(read.opcode(), c.opcode);
      EXPECT_EQ(read.cdb[1], 0x1C);
      EXPECT_EQ(read.cdb[9], 0xF8);
      EXPECT_EQ(read.cdb[10], 0x07);
      EXPECT_EQ(read.dataLength, read.ReadBlocks() * 2352);
    }
    EXPECT_EQ(ReadLbas(), (std::vector<std::int32_t>{300000, 300027}));
    EXPECT_EQ(ReadSizes(), (std::vector<std::uint32_t>{27, 3}));
    for (LONG k = 0; k < 30; ++k) {
      EXPECT_TRUE(BlockHoldsPattern(range.data() + k * 2352, 300000 + k, 2352)) << k;
    }
  }
}

TEST_P(ReadLoopTest, UnknownReadModeSendsNothing) {
  ReadRequest& r = Prepare(0, 54, 27, 2);
  r.onCommandError = recorder_.CommandError();
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_ERR);
  EXPECT_TRUE(drive_->Commands().empty());
  // Two attempts, the error callback, a third attempt, then recovery stops at block 0
  // (no block callback): progress for no blocks, and the read ends.
  EXPECT_EQ(recorder_.events, (std::vector<Event>{{'C', 0, 0, 27}, {'P', 0, 0, 0}}));
  EXPECT_EQ(r.blocksDone, 0u);
}

// Attempts and recovery of one 27-block command at 1000 whose block 1005 fails.
struct AttemptCase {
  std::string name;
  int failures;  // reads of the bad block that fail; -1: all
  bool commandError, blockError;
  Recorder::Action commandAction, blockAction;
  std::size_t reads;
  std::vector<Event> events;
  BYTE status;
  DWORD blocksDone;
  std::vector<DWORD> unreadBlocks;  // status bytes with bit 0 set
};

std::vector<DWORD> Range(DWORD from, DWORD to) {
  std::vector<DWORD> v;
  for (DWORD i = from; i < to; ++i) v.push_back(i);
  return v;
}

TEST_P(ReadLoopTest, AttemptsRecoveryAndCallbackOrder) {
  const Event C{'C', 1000, 0, 27};
  const Event B{'B', 1005, 5, 1};
  const Event P27{'P', 1000, 0, 27};
  const Event P5{'P', 1000, 0, 5};
  const std::vector<AttemptCase> cases = {
      {"SecondAttemptSucceeds", 1, true, true, Continue, Continue, 2, {P27}, SS_COMP, 27, {}},
      {"ThirdAttemptWithoutErrorCallback",
       2,
       false,
       true,
       nullptr,
       Continue,
       3,
       {P27},
       SS_COMP,
       27,
       {}},
      {"ThirdAttemptAfterErrorCallback",
       2,
       true,
       true,
       Continue,
       Continue,
       3,
       {C, P27},
       SS_COMP,
       27,
       {}},
      {"ErrorCallbackTreatsAsSuccess",
       2,
       true,
       true,
       SetSuccess,
       Continue,
       2,
       {C, P27},
       SS_COMP,
       27,
       {}},
      {"ErrorCallbackStops", 2, true, true, Stop, Continue, 2, {C}, SS_ERR, 0, Range(0, 27)},
      {"RecoveryRecoversTheBlock",
       3,
       false,
       true,
       nullptr,
       Continue,
       3 + 27,
       {P27},
       SS_COMP,
       27,
       {}},
      {"RecoveryContinuesPastABadBlock",
       -1,
       true,
       true,
       Continue,
       Continue,
       3 + 26 + 3,
       {C, B, P27},
       SS_COMP,
       27,
       {5}},
      {"BlockCallbackTreatsAsSuccess",
       -1,
       false,
       true,
       nullptr,
       SetSuccess,
       3 + 26 + 3,
       {B, P27},
       SS_COMP,
       27,
       {}},
      {"BlockCallbackStops",
       -1,
       false,
       true,
       nullptr,
       Stop,
       3 + 5 + 3,
       {B, P5},
       SS_ERR,
       5,
       Range(5, 27)},
      {"NoBlockCallbackStopsAtTheBadBlock",
       -1,
       false,
       false,
       nullptr,
       nullptr,
       3 + 5 + 3,
       {P5},
       SS_ERR,
       5,
       Range(5, 27)},
  };
  for (const AttemptCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    drive_->AddBadRange({1005, 1, c.failures});
    recorder_ = Recorder{};
    ReadRequest& r = Prepare(1000, 27, 27);
    recorder_.commandError = c.commandAction;
    recorder_.blockError = c.blockAction;
    if (c.commandError) r.onCommandError = recorder_.CommandError();
    if (c.blockError) r.onBlockError = recorder_.BlockError();
    r.onProgress = recorder_.Progress();

    EXPECT_EQ(Run(), c.status);
    EXPECT_EQ(drive_->ReadCommands().size(), c.reads);
    EXPECT_EQ(recorder_.events, c.events);
    EXPECT_EQ(r.blocksDone, c.blocksDone);
    std::vector<DWORD> unread;
    for (DWORD k = 0; k < 27; ++k) {
      if (blockStatus_[k] & 1) unread.push_back(k);
    }
    EXPECT_EQ(unread, c.unreadBlocks);
    if (c.status == SS_ERR) {
      EXPECT_EQ(sense_.SenseKey, 0x03);
      EXPECT_EQ(sense_.ASC, 0x11);
    }
    // Blocks recovered one by one land at their place in the command's data.
    if (c.reads > 3) {
      EXPECT_TRUE(BlockHoldsPattern(commandBuffer_.data() + 4 * 2048, 1004, 2048));
      if (c.blocksDone == 27) {
        EXPECT_TRUE(BlockHoldsPattern(commandBuffer_.data() + 26 * 2048, 1026, 2048));
      }
    }
  }
}

TEST_P(ReadLoopTest, ErrorCallbackStopEndsTheReadWithTheDrivesSense) {
  drive_->AddBadRange({1030, 1, -1});
  ReadRequest& r = Prepare(1000, 100, 27);
  recorder_.commandError = Stop;
  r.onCommandError = recorder_.CommandError();
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_ERR);
  EXPECT_EQ(recorder_.events, (std::vector<Event>{{'P', 1000, 0, 27}, {'C', 1027, 27, 27}}));
  EXPECT_EQ(ReadSizes(), (std::vector<std::uint32_t>{27, 27, 27}));
  EXPECT_EQ(r.blocksDone, 27u);
  EXPECT_EQ(sense_.SenseKey, 0x03);
  EXPECT_EQ(sense_.ASC, 0x11);
  EXPECT_EQ(sense_.ASCQ, 0x00);
}

TEST_P(ReadLoopTest, BadBlockWithoutBlockCallbackEndsTheReadAfterProgress) {
  drive_->AddBadRange({1030, 1, -1});
  ReadRequest& r = Prepare(1000, 100, 27);
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_ERR);
  EXPECT_EQ(recorder_.events, (std::vector<Event>{{'P', 1000, 0, 27}, {'P', 1027, 27, 3}}));
  EXPECT_EQ(recorder_.blocksDoneSeen, (std::vector<DWORD>{27, 30}));
  EXPECT_EQ(r.blocksDone, 30u);
  // 1 + 3 attempts, blocks 1027-1029 once each, block 1030 three times; nothing after.
  EXPECT_EQ(drive_->ReadCommands().size(), 1u + 3u + 3u + 3u);
}

TEST_P(ReadLoopTest, ProgressStopReportsTheStopSense) {
  struct Case {
    const char* name;
    LONG bad;    // a block that never reads, or -1
    int stopAt;  // progress call that asks to stop
    DWORD blocksDone;
    BYTE asc;
  };
  const Case cases[] = {
      {"AfterSomeBlocks", -1, 2, 54, kAscStoppedSomeRead},
      {"AtTheFirstCommand", -1, 1, 27, kAscStoppedSomeRead},
      {"WithNothingRead", 1000, 1, 0, kAscStoppedNothingRead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.bad >= 0) drive_->AddBadRange({c.bad, 1, -1});
    recorder_ = Recorder{};
    ReadRequest& r = Prepare(1000, 100, 27);
    int calls = 0;
    recorder_.progress = [&](ReadCallbackInfo&) -> BYTE { return ++calls == c.stopAt; };
    r.onProgress = recorder_.Progress();
    sense_ = SenseResult{0x03, 0x11, 0x00, 0x01};
    EXPECT_EQ(Run(), SS_ERR);
    EXPECT_EQ(calls, c.stopAt);
    EXPECT_EQ(r.blocksDone, c.blocksDone);
    EXPECT_EQ(sense_.SenseKey, kSenseKeyStopped);
    EXPECT_EQ(sense_.ASC, c.asc);
    EXPECT_EQ(sense_.ASCQ, 0);
  }
}

TEST_P(ReadLoopTest, CallbacksAreTakenAsTheyStoodAtTheStart) {
  ReadRequest& r = Prepare(0, 100, 27);
  recorder_.progress = [&](ReadCallbackInfo& info) -> BYTE {
    info.request->onProgress = ReadCallback{};
    return 0;
  };
  r.onProgress = recorder_.Progress();
  EXPECT_EQ(Run(), SS_COMP);
  EXPECT_EQ(recorder_.events.size(), 4u);
}

TEST_P(ReadLoopTest, StatusSeenByProgressIsTheCommandsStatus) {
  drive_->AddBadRange({1005, 1, -1});
  ReadRequest& r = Prepare(1000, 54, 27);
  r.onProgress = recorder_.Progress();
  recorder_.blockError = Continue;
  r.onBlockError = recorder_.BlockError();
  drive_->AddBadRange({1026, 1, -1});  // the last block of the first command
  EXPECT_EQ(Run(), SS_COMP);
  // The first command ends on a failed block (the recovery's last status), the second reads.
  EXPECT_EQ(recorder_.statusSeen, (std::vector<BYTE>{SS_ERR, SS_ERR, SS_ERR, SS_COMP}));
  EXPECT_EQ(recorder_.events.back(), (Event{'P', 1027, 27, 27}));
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ReadLoopTest,
                         ::testing::Values(Path::AspiManager, Path::PassThrough),
                         [](const auto& info) { return PathName(info.param); });

}  // namespace
}  // namespace drivetest
