// Drive preparation: the probe at construction on every firmware quirk, block length
// switching, and mode replies whose headers cannot be trusted.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "sim/scsi/SimDrive.h"
#include "tests/drive/FakeDrive.h"
#include "tests/drive/Machine.h"

namespace drivetest {
namespace {

using Bytes = std::vector<BYTE>;
using Quirks = sim::FirmwareQuirks;
using Step = std::pair<BYTE, BYTE>;  // opcode and, for MODE SENSE, the page code
using Steps = std::vector<Step>;

constexpr BYTE kMS6 = 0x1A, kMS10 = 0x5A, kSel6 = 0x15, kSel10 = 0x55;

template <class Command>
Step StepOf(const Command& c, BYTE opcode) {
  const bool sense = opcode == kMS6 || opcode == kMS10;
  return {opcode, sense ? static_cast<BYTE>(c.cdb[2] & 0x3F) : BYTE{0}};
}

// What a SimDrive received, less the INQUIRY of discovery.
Steps StepsOf(const sim::SimDrive& drive) {
  Steps steps;
  for (const sim::ReceivedCommand& c : drive.Received()) {
    if (c.cdb[0] != 0x12) steps.push_back(StepOf(c, c.cdb[0]));
  }
  return steps;
}

Steps StepsOf(const FakeDrive& drive) {
  Steps steps;
  for (const ReceivedCdb& c : drive.Commands()) steps.push_back(StepOf(c, c.opcode()));
  return steps;
}

std::string Describe(const Steps& steps) {
  std::string text;
  char part[16];
  for (const Step& s : steps) {
    std::snprintf(part, sizeof part, "%02X/%02X ", s.first, s.second);
    text += part;
  }
  return text;
}

struct QuirkCase {
  std::string name;
  Quirks quirks;
  Steps probe;
  BYTE hasBlockDescriptor;
  BYTE useModeSense6;
};

Quirks With(void (*change)(Quirks&)) {
  Quirks q;
  change(q);
  return q;
}

std::vector<QuirkCase> QuirkCases() {
  using Page = Quirks::CapabilitiesPage;
  return {
      {"Normal", Quirks{}, {{kMS10, 0x2A}}, 1, 0},
      {"RejectsModeSense10",
       With([](Quirks& q) { q.rejectsModeSense10 = true; }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}},
       1,
       1},
      {"ModeSense10ShortHeader",
       With([](Quirks& q) { q.modeSense10ShortHeader = true; }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}},
       1,
       1},
      {"ShortHeaderWithoutDescriptors",
       With([](Quirks& q) {
         q.modeSense10ShortHeader = true;
         q.noBlockDescriptors = true;
       }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}},
       0,
       1},
      {"NoBlockDescriptors",
       With([](Quirks& q) { q.noBlockDescriptors = true; }),
       {{kMS10, 0x2A}},
       0,
       0},
      {"CapabilitiesPageMissing",
       With([](Quirks& q) { q.capabilitiesPage = Page::Missing; }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}, {kMS10, 0x01}},
       1,
       0},
      {"CapabilitiesPageOtherCode",
       With([](Quirks& q) { q.capabilitiesPage = Page::OtherPageCode; }),
       {{kMS10, 0x2A}, {kMS10, 0x01}},
       1,
       0},
      {"RejectsModeSense10AndPageMissing",
       With([](Quirks& q) {
         q.rejectsModeSense10 = true;
         q.capabilitiesPage = Page::Missing;
       }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}, {kMS10, 0x01}, {kMS6, 0x01}},
       1,
       1},
      {"RejectsModeSense10WithoutDescriptors",
       With([](Quirks& q) {
         q.rejectsModeSense10 = true;
         q.noBlockDescriptors = true;
       }),
       {{kMS10, 0x2A}, {kMS6, 0x2A}},
       0,
       1},
  };
}

class PreparationTest : public ::testing::TestWithParam<Path> {};

std::shared_ptr<sim::SimDrive> QuirkDrive(const Quirks& quirks, bool powerOnAttention = false) {
  sim::SimDriveConfig config;
  config.quirks = quirks;
  config.powerOnAttention = powerOnAttention;
  config.timing = sim::DriveTiming::ZeroLatency();
  return std::make_shared<sim::SimDrive>(config);
}

TEST_P(PreparationTest, ProbeOnEveryQuirk) {
  for (const QuirkCase& c : QuirkCases()) {
    SCOPED_TRACE(c.name);
    auto drive = QuirkDrive(c.quirks);
    Machine machine(GetParam(), drive);
    ASSERT_EQ(machine.chain().DeviceCount, 1);
    EXPECT_EQ(StepsOf(*drive), c.probe) << Describe(StepsOf(*drive));
    EXPECT_EQ(machine.device().HasBlockDescriptor, c.hasBlockDescriptor);
    EXPECT_EQ(machine.device().UseModeSense6, c.useModeSense6);
  }
}

TEST_P(PreparationTest, ProbeSurvivesThePowerOnUnitAttention) {
  for (const QuirkCase& c : QuirkCases()) {
    SCOPED_TRACE(c.name);
    auto drive = QuirkDrive(c.quirks, true);
    Machine machine(GetParam(), drive);
    ASSERT_EQ(machine.chain().DeviceCount, 1);
    EXPECT_EQ(machine.device().HasBlockDescriptor, c.hasBlockDescriptor);
    EXPECT_EQ(machine.device().UseModeSense6, c.useModeSense6);
  }
}

TEST_P(PreparationTest, SetBlockLengthOnEveryQuirk) {
  for (const QuirkCase& c : QuirkCases()) {
    SCOPED_TRACE(c.name);
    auto drive = QuirkDrive(c.quirks);
    Machine machine(GetParam(), drive);
    ASSERT_EQ(machine.chain().DeviceCount, 1);
    FileMMCSeq& chain = machine.chain();
    InitMMCSeq& slots = chain;  // through the virtual operation, as the application calls it
    SenseResult sense{};

    const BYTE sense6 = c.useModeSense6 ? kMS6 : kMS10;
    const BYTE select = c.useModeSense6 ? kSel6 : kSel10;
    const Steps change = {{sense6, 0x01}, {select, 0}};
    const Steps askOnly = {{sense6, 0x01}};
    const bool switches = c.hasBlockDescriptor == 1;

    drive->ClearReceived();
    EXPECT_EQ(slots.SetBlockLength(machine.device(), 2352, &sense), 2048);
    EXPECT_EQ(StepsOf(*drive), switches ? change : Steps{}) << Describe(StepsOf(*drive));
    EXPECT_EQ(drive->BlockLength(), switches ? 2352 : 2048);
    if (switches) {
      // The parameter list: zeroed header bytes, the descriptor with 2352, the page as read.
      const sim::ReceivedCommand sent = drive->Received().back();
      const std::size_t header = c.useModeSense6 ? 4 : 8;
      ASSERT_EQ(sent.dataOut.size(), header + 8 + 12);
      EXPECT_EQ(sent.dataOut[0], 0);
      EXPECT_EQ(sent.dataOut[1], 0);
      EXPECT_EQ(Bytes(sent.dataOut.begin() + header + 4, sent.dataOut.begin() + header + 8),
                (Bytes{0x00, 0x00, 0x09, 0x30}));
      EXPECT_EQ(sent.dataOut[header + 8], 0x01);
      EXPECT_EQ(sent.dataOut[header + 9], 0x0A);
      const DWORD announced = c.useModeSense6 ? sent.cdb[4] : (sent.cdb[7] << 8 | sent.cdb[8]);
      EXPECT_EQ(announced, sent.dataOut.size());
    }

    drive->ClearReceived();
    EXPECT_EQ(slots.SetBlockLength(machine.device(), 2352, &sense), switches ? 2352 : 2048);
    EXPECT_EQ(StepsOf(*drive), switches ? askOnly : Steps{});

    drive->ClearReceived();
    EXPECT_EQ(chain.SetBlockLength(machine.device(), 2048, &sense), switches ? 2352 : 2048);
    EXPECT_EQ(StepsOf(*drive), switches ? change : Steps{});
    EXPECT_EQ(drive->BlockLength(), 2048);
  }
}

// A 10-byte mode reply with one block descriptor (2048) and page 01h.
Bytes Reply10(BYTE pageByte4 = 0x00) {
  Bytes r = {0x00, 0x1A, 0x00, pageByte4, 0x00, 0x00, 0x00, 0x08, 0, 0, 0, 0, 0, 0,
             0x08, 0x00, 0x01, 0x0A,      0,    0x10, 0,    0,    0, 0, 0, 0, 0, 0};
  return r;
}

TEST_P(PreparationTest, HeaderTooShortForAPageFallsBackToErrorRecovery) {
  auto drive = std::make_shared<FakeDrive>();
  drive->SetModeReply(kMS10, 0x2A, {0x00, 0x05, 0, 0, 0, 0, 0, 0, 0x2A, 0x18});  // MDL 5
  drive->SetModeReply(kMS10, 0x01, Reply10());
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  EXPECT_EQ(StepsOf(*drive), (Steps{{kMS10, 0x2A}, {kMS10, 0x01}}));
  EXPECT_EQ(machine.device().HasBlockDescriptor, 1);
  EXPECT_EQ(machine.device().UseModeSense6, 0);
}

TEST_P(PreparationTest, ShortHeaderSeenInByte4ThenModeSense6Fails) {
  // Byte 4 holds the page code asked for (with or without the page-saveable bit): the reply
  // came with a 4-byte header. MODE SENSE(6) fails too, so the 6-byte flag stays clear.
  for (BYTE byte4 : {BYTE{0x01}, BYTE{0x81}}) {
    SCOPED_TRACE(static_cast<int>(byte4));
    auto drive = std::make_shared<FakeDrive>();
    Bytes shortReply = {0x13, 0x00, 0x00, 0x00, byte4, 0x0A, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0};
    drive->SetModeReply(kMS10, 0x01, shortReply);
    Machine machine(GetParam(), drive);
    ASSERT_EQ(machine.chain().DeviceCount, 1);
    EXPECT_EQ(StepsOf(*drive), (Steps{{kMS10, 0x2A}, {kMS6, 0x2A}, {kMS10, 0x01}, {kMS6, 0x01}}));
    EXPECT_EQ(machine.device().HasBlockDescriptor, 1);
    EXPECT_EQ(machine.device().UseModeSense6, 0);

    BYTE reply[kModeReplySize] = {};
    BYTE layout = 0xEE;
    SenseResult sense{};
    EXPECT_EQ(machine.chain().ModeSenseAuto(machine.device(), 0x01, kModeReplySize, reply, &sense,
                                            layout),
              SS_ERR);
    EXPECT_EQ(layout, kModeLayout6);
    EXPECT_EQ(machine.device().UseModeSense6, 0);

    drive->Clear();
    EXPECT_EQ(machine.chain().SetBlockLength(machine.device(), 2352, &sense), 2048);
    EXPECT_EQ(StepsOf(*drive), (Steps{{kMS10, 0x01}, {kMS6, 0x01}}));
  }
}

TEST_P(PreparationTest, OversizedHeadersNeverSendBeyondTheReplyBuffer) {
  struct Case {
    const char* name;
    bool sixByte;
    Bytes reply;
  };
  Bytes huge10(kModeReplySize, 0x00);
  huge10[0] = huge10[1] = 0xFF;  // MDL FFFFh
  huge10[6] = 0xFF;
  huge10[7] = 0xF0;   // BDL FFF0h
  huge10[14] = 0x08;  // descriptor block length 2048
  for (std::size_t i = 16; i < huge10.size(); ++i) huge10[i] = 0x5C;
  Bytes huge6(kModeReplySize, 0x00);
  huge6[0] = 0xFF;    // MDL
  huge6[3] = 100;     // BDL
  huge6[10] = 0x08;   // descriptor block length 2048
  huge6[105] = 0xFF;  // "page length" far beyond the buffer
  const Case cases[] = {{"TenByte", false, huge10}, {"SixByte", true, huge6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto drive = std::make_shared<FakeDrive>();
    if (c.sixByte) {
      drive->RejectOpcode(kMS10);
      drive->SetModeReply(kMS6, 0x2A, c.reply);
      drive->SetModeReply(kMS6, 0x01, c.reply);
    } else {
      drive->SetModeReply(kMS10, 0x2A, c.reply);
      drive->SetModeReply(kMS10, 0x01, c.reply);
    }
    Machine machine(GetParam(), drive);
    ASSERT_EQ(machine.chain().DeviceCount, 1);
    EXPECT_EQ(machine.device().HasBlockDescriptor, 1);
    EXPECT_EQ(machine.device().UseModeSense6, c.sixByte ? 1 : 0);

    drive->Clear();
    SenseResult sense{};
    EXPECT_EQ(machine.chain().SetBlockLength(machine.device(), 2352, &sense), 2048);
    const std::vector<ReceivedCdb> commands = drive->Commands();
    ASSERT_EQ(commands.size(), 2u);
    const ReceivedCdb& select = commands[1];
    EXPECT_EQ(select.opcode(), c.sixByte ? kSel6 : kSel10);
    ASSERT_EQ(select.dataOut.size(), kModeReplySize);
    const DWORD announced = c.sixByte ? select.cdb[4] : (select.cdb[7] << 8 | select.cdb[8]);
    EXPECT_EQ(announced, kModeReplySize);
    const std::size_t tail = c.sixByte ? 8 : 12;
    EXPECT_EQ(Bytes(select.dataOut.begin() + tail, select.dataOut.begin() + tail + 4),
              (Bytes{0x00, 0x00, 0x09, 0x30}));
    // Everything past the descriptor went back as the drive sent it.
    EXPECT_EQ(Bytes(select.dataOut.begin() + tail + 4, select.dataOut.end()),
              Bytes(c.reply.begin() + tail + 4, c.reply.end()));
  }
}

TEST(FindModePageTest, BoundedByTheHeaderAndTheBuffer) {
  struct Case {
    const char* name;
    BYTE layout;
    Bytes head;    // the first bytes of a 120-byte reply (the rest 0)
    DWORD length;  // reply buffer length
    BYTE page;
    int offset;  // -1: no page
    bool match;
  };
  const Case cases[] = {
      {"MDL5", kModeLayout10, {0x00, 0x05}, 120, 0x01, -1, false},
      {"PageAtAnnouncedEnd",
       kModeLayout10,
       {0x00, 0x06, 0, 0, 0, 0, 0, 0, 0x01},
       120,
       0x01,
       8,
       true},
      {"AfterDescriptor",
       kModeLayout10,
       {0x00, 0x0E, 0, 0, 0, 0, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 8, 0, 0x2A},
       120,
       0x2A,
       16,
       true},
      {"AnnouncedEndBeforePage",
       kModeLayout10,
       {0x00, 0x0D, 0, 0, 0, 0, 0x00, 0x08},
       120,
       0x01,
       -1,
       false},
      {"DescriptorsBeyondBuffer",
       kModeLayout10,
       {0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xF0},
       120,
       0x01,
       -1,
       false},
      {"LastByteOfBuffer",
       kModeLayout10,
       {0xFF, 0xFF, 0, 0, 0, 0, 0x00, 104},
       120,
       0x00,
       112,
       true},
      {"PageStartAtBufferEnd",
       kModeLayout10,
       {0xFF, 0xFF, 0, 0, 0, 0, 0x00, 112},
       120,
       0x00,
       -1,
       false},
      {"BufferShorterThanHeader", kModeLayout10, {0x00, 0x06}, 7, 0x00, -1, false},
      {"SixByteMDL2", kModeLayout6, {0x02}, 120, 0x00, -1, false},
      {"SixBytePageAtAnnouncedEnd", kModeLayout6, {0x03, 0, 0, 0, 0x01}, 120, 0x01, 4, true},
      {"SixByteDescriptorsBeyondBuffer", kModeLayout6, {0xFF, 0, 0, 0xFF}, 120, 0x01, -1, false},
      {"PageSaveableBitIgnored", kModeLayout6, {0x0F, 0, 0, 0, 0x81}, 120, 0x01, 4, true},
      {"OtherPageCode", kModeLayout6, {0x0F, 0, 0, 0, 0x0D}, 120, 0x2A, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes reply(120, 0);
    std::copy(c.head.begin(), c.head.end(), reply.begin());
    bool match = !c.match;
    BYTE* found = InitMMCSeq::FindModePage(reply.data(), c.length, c.layout, c.page, match);
    if (c.offset < 0) {
      EXPECT_EQ(found, nullptr);
    } else {
      EXPECT_EQ(found, reply.data() + c.offset);
    }
    EXPECT_EQ(match, c.match);
  }
}

TEST_P(PreparationTest, GetBlockLengthNeedsTheWholeDescriptor) {
  auto drive = std::make_shared<FakeDrive>();
  Machine machine(GetParam(), drive);
  struct Case {
    BYTE layout;
    DWORD length;
    BYTE status;
    BYTE flag;  // HasBlockDescriptor after the call (starting at 7)
    DWORD blockLength;
  };
  Bytes reply10 = Reply10();
  reply10[13] = 0x01;  // a reserved byte before the length is ignored
  reply10[12] = 0x77;
  const Case cases[] = {
      {kModeLayout10, 15, SS_ERR, 7, 0},
      {kModeLayout10, 16, SS_COMP, 1, 0x010800},
      {kModeLayout6, 11, SS_ERR, 7, 0},
      {kModeLayoutNone, 120, SS_ERR, 7, 0},
  };
  for (const Case& c : cases) {
    DeviceEntry entry = machine.device();
    entry.HasBlockDescriptor = 7;
    DWORD blockLength = 0;
    EXPECT_EQ(
        machine.chain().GetBlockLength(entry, reply10.data(), c.length, c.layout, blockLength),
        c.status);
    EXPECT_EQ(entry.HasBlockDescriptor, c.flag);
    EXPECT_EQ(blockLength, c.blockLength);
  }
  Bytes reply6 = {0x0B, 0, 0, 0x08, 0, 0, 0, 0, 0xAA, 0x00, 0x09, 0x30};
  DeviceEntry entry = machine.device();
  DWORD blockLength = 0;
  EXPECT_EQ(machine.chain().GetBlockLength(entry, reply6.data(), 12, kModeLayout6, blockLength),
            SS_COMP);
  EXPECT_EQ(blockLength, 2352u);
  reply6[3] = 0;  // no descriptor
  entry.HasBlockDescriptor = 1;
  EXPECT_EQ(machine.chain().GetBlockLength(entry, reply6.data(), 12, kModeLayout6, blockLength),
            SS_COMP);
  EXPECT_EQ(blockLength, 2048u);
  EXPECT_EQ(entry.HasBlockDescriptor, 0);
}

TEST_P(PreparationTest, DriveThatAnswersNoModeSenseIsAskedAgainLater) {
  auto drive = std::make_shared<FakeDrive>();  // every MODE SENSE fails 05/24/00
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  EXPECT_EQ(StepsOf(*drive), (Steps{{kMS10, 0x2A}, {kMS6, 0x2A}, {kMS10, 0x01}, {kMS6, 0x01}}));
  EXPECT_EQ(machine.device().HasBlockDescriptor, 1);
  EXPECT_EQ(machine.device().UseModeSense6, 0);
  drive->Clear();
  SenseResult sense{};
  EXPECT_EQ(machine.chain().SetBlockLength(machine.device(), 2352, &sense), 2048);
  EXPECT_EQ(StepsOf(*drive), (Steps{{kMS10, 0x01}, {kMS6, 0x01}}));
  EXPECT_EQ(sense.SenseKey, 0x05);
  EXPECT_EQ(sense.ASC, 0x24);
}

TEST_P(PreparationTest, EveryDriveOfTheTableIsProbedOnceInTableOrder) {
  Quirks sixByteOnly;
  sixByteOnly.rejectsModeSense10 = true;
  Quirks noDescriptors;
  noDescriptors.noBlockDescriptors = true;
  auto first = QuirkDrive(sixByteOnly);
  auto second = QuirkDrive(noDescriptors);
  auto third = QuirkDrive(Quirks{});
  sim::SimProfile profile = GetParam() == Path::AspiManager ? sim::SimProfile::Windows98()
                                                            : sim::SimProfile::Windows2000(true);
  profile.AddDrive('D', sim::ScsiAddress{0, 0, 1, 0}, first)
      .AddDrive('E', sim::ScsiAddress{0, 0, 3, 0}, second)
      .AddDrive('F', sim::ScsiAddress{0, 0, 5, 0}, third);
  Machine machine(std::move(profile));
  FileMMCSeq& chain = machine.chain();
  ASSERT_EQ(chain.DeviceCount, 3);
  const struct {
    BYTE target;
    BYTE hasBlockDescriptor;
    BYTE useModeSense6;
  } expected[] = {{1, 1, 1}, {3, 0, 0}, {5, 1, 0}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(chain.Devices[i].Target, expected[i].target);
    EXPECT_EQ(chain.Devices[i].HasBlockDescriptor, expected[i].hasBlockDescriptor);
    EXPECT_EQ(chain.Devices[i].UseModeSense6, expected[i].useModeSense6);
  }
  EXPECT_EQ(StepsOf(*first), (Steps{{kMS10, 0x2A}, {kMS6, 0x2A}}));
  EXPECT_EQ(StepsOf(*second), (Steps{{kMS10, 0x2A}}));
  EXPECT_EQ(StepsOf(*third), (Steps{{kMS10, 0x2A}}));
  // Probed in table order: each drive's probe comes after the previous one's.
  ASSERT_FALSE(first->Received().empty());
  EXPECT_LE(first->Received().back().nowMicros, second->Received().back().nowMicros);
}

TEST_P(PreparationTest, RowOfAReservedTypeIsAssumedToHaveADescriptor) {
  auto drive = QuirkDrive(Quirks{});
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  drive->ClearReceived();
  DeviceEntry row = machine.device();
  row.DeviceType = 0xA1;
  row.HasBlockDescriptor = 0;
  SenseResult sense{};
  EXPECT_NE(machine.chain().ProbeDevice(row, &sense), SS_COMP);
  EXPECT_EQ(row.HasBlockDescriptor, 1);
  EXPECT_EQ(row.UseModeSense6, 0);
  EXPECT_EQ(machine.chain().SetBlockLength(row, 2352, &sense), 2048);
  EXPECT_EQ(drive->ReceivedCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, PreparationTest,
                         ::testing::Values(Path::AspiManager, Path::PassThrough),
                         [](const auto& info) { return PathName(info.param); });

}  // namespace
}  // namespace drivetest
