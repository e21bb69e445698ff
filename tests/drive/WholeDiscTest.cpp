// Whole discs read through the chain on both command paths, every sector compared with
// the disc model.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "drive/ReadRequest.h"
#include "sim/scsi/Disc.h"
#include "sim/scsi/SectorData.h"
#include "sim/scsi/SimDrive.h"
#include "tests/drive/Machine.h"

namespace drivetest {
namespace {

using ContentFn = void (*)(std::int32_t, std::uint8_t*);

// Compares the data of every command with the model as the loop reports it.
class Checker {
 public:
  Checker(ContentFn content, DWORD blockSize) : content_(content), expected_(blockSize) {}

  BYTE OnProgress(ReadCallbackInfo& info) {
    ++commands_;
    if (*info.status != SS_COMP) ++failedCommands_;
    const DWORD size = info.request->blockSize;
    for (DWORD k = 0; k < info.blocks; ++k) {
      const LONG lba = info.lba + static_cast<LONG>(k);
      content_(lba, expected_.data());
      if (std::memcmp(info.data + std::size_t{k} * size, expected_.data(), size) != 0) {
        if (mismatches_++ == 0) firstMismatch_ = lba;
      }
      ++blocksChecked_;
    }
    return 0;
  }
  BYTE OnCommandError(ReadCallbackInfo&) {
    ++commandErrors_;
    return 1;
  }

  DWORD commands_ = 0, failedCommands_ = 0, blocksChecked_ = 0, mismatches_ = 0;
  DWORD commandErrors_ = 0;
  LONG firstMismatch_ = -1;

 private:
  ContentFn content_;
  std::vector<BYTE> expected_;
};

struct DiscRead {
  DWORD readMode;
  DWORD blockSize;
  BYTE sectorType;
  BYTE flags;
};

void ReadWholeDisc(Path path, const sim::Disc& disc, ContentFn content, const DiscRead& how) {
  sim::SimDriveConfig config;
  config.disc = disc;
  config.timing = sim::DriveTiming::Cav(52, 40);
  auto drive = std::make_shared<sim::SimDrive>(config);
  drive->SetRecording(false);
  sim::SimProfile profile = ProfileFor(path, drive);
  profile.recordCalls = false;
  Machine machine(std::move(profile));
  ASSERT_EQ(machine.chain().DeviceCount, 1);

  std::vector<BYTE> commandBuffer(27 * how.blockSize);
  BYTE blockStatus[27];
  SenseResult sense{};
  Checker checker(content, how.blockSize);
  ReadRequest request{};
  request.device = &machine.device();
  request.startLba = 0;
  request.blockCount = static_cast<DWORD>(disc.LeadOut());
  request.commandBuffer = commandBuffer.data();
  request.blockSize = how.blockSize;
  request.sense = &sense;
  request.readMode = how.readMode;
  request.sectorType = how.sectorType;
  request.readCdFlags = how.flags;
  request.blocksPerCommand = 27;
  request.blockStatus = blockStatus;
  request.onProgress = ReadCallback::Bind<Checker, &Checker::OnProgress>(&checker);
  request.onCommandError = ReadCallback::Bind<Checker, &Checker::OnCommandError>(&checker);

  const uint64_t before = machine.host().NowMicros();
  EXPECT_EQ(machine.chain().ReadBlocks(&request), SS_COMP);
  EXPECT_EQ(request.blocksDone, request.blockCount);
  EXPECT_EQ(checker.blocksChecked_, request.blockCount);
  EXPECT_EQ(checker.commands_, (request.blockCount + 26) / 27);
  EXPECT_EQ(checker.failedCommands_, 0u);
  EXPECT_EQ(checker.commandErrors_, 0u);
  EXPECT_EQ(checker.mismatches_, 0u) << "first at " << checker.firstMismatch_;
  // The drive's service times moved the machine's clock on.
  EXPECT_GT(machine.host().NowMicros(), before);
}

class WholeDiscTest : public ::testing::TestWithParam<Path> {};

TEST_P(WholeDiscTest, DataDiscOf79MinutesInDataMode) {
  const sim::Disc disc = sim::Disc::Data(sim::Disc::Blocks(79, 0));
  ASSERT_EQ(disc.LeadOut(), 355500);
  ReadWholeDisc(GetParam(), disc, &sim::SectorData::UserData, {kReadModeRead10, 2048, 0x00, 0x00});
}

TEST_P(WholeDiscTest, AudioDiscInRawMode) {
  const sim::Disc disc = sim::Disc::Audio({sim::Disc::Blocks(4, 12, 30), sim::Disc::Blocks(6, 0),
                                           sim::Disc::Blocks(3, 33, 3), sim::Disc::Blocks(11, 1)});
  ReadWholeDisc(GetParam(), disc, &sim::SectorData::AudioSamples,
                {kReadModeReadCD, 2352, 0x00, 0xF8});
}

TEST_P(WholeDiscTest, AudioDiscByMsfAddress) {
  const sim::Disc disc = sim::Disc::Audio({sim::Disc::Blocks(2, 0), sim::Disc::Blocks(1, 7, 11)});
  ReadWholeDisc(GetParam(), disc, &sim::SectorData::AudioSamples,
                {kReadModeReadCDMSF, 2352, 0x04, 0xF8});
}

TEST_P(WholeDiscTest, DataTrackRawSectors) {
  // Raw Mode 1 sectors of a short data disc, as READ CD with all fields returns them.
  const sim::Disc disc = sim::Disc::Data(sim::Disc::Blocks(0, 20));
  ReadWholeDisc(GetParam(), disc, &sim::SectorData::RawMode1, {kReadModeReadCD, 2352, 0x00, 0xF8});
}

INSTANTIATE_TEST_SUITE_P(BothPaths, WholeDiscTest,
                         ::testing::Values(Path::AspiManager, Path::PassThrough),
                         [](const auto& info) { return PathName(info.param); });

}  // namespace
}  // namespace drivetest
