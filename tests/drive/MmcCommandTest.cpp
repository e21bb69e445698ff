// Every command block the chain builds, compared byte by byte with the MMC layouts, as the
// drive receives it through each command path, and with the command's row in
// scsi/Commands.h (block length, data direction).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "scsi/Commands.h"
#include "tests/drive/FakeDrive.h"
#include "tests/drive/Machine.h"

namespace drivetest {
namespace {

using sim::DataDirection;
using Bytes = std::vector<BYTE>;

// A MODE SENSE(6) reply: block descriptor length 8 (block length 2352), page 01h of
// length 0Ah.
Bytes ModeList6() {
  Bytes list = {0x17, 0x05, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x30,
                0x01, 0x0A, 0x20, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  list.resize(kModeReplySize, 0xEE);
  return list;
}

// A MODE SENSE(10) reply: block descriptor length 8 (block length 2048), page 01h of
// length 0Ah.
Bytes ModeList10() {
  Bytes list = {0x00, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x08, 0x00, 0x01, 0x0A, 0x20, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  list.resize(kModeReplySize, 0xEE);
  return list;
}

Bytes Head(const Bytes& bytes, std::size_t n) {
  return Bytes(bytes.begin(), bytes.begin() + n);
}

using Send = std::function<BYTE(FileMMCSeq&, DeviceEntry&, BYTE*, SenseResult*)>;

struct CdbCase {
  const char* name;
  Send send;
  Bytes cdb;                // the meaningful command bytes; the rest of the 16 must be zero
  DataDirection direction;  // checked for commands that move data
  std::uint32_t dataLength;
  Bytes dataOut;  // what a data-out command must carry
};

std::vector<CdbCase> Cases() {
  std::vector<CdbCase> cases = {
      {"TestUnitReady",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) { return c.TestUnitReady(d, s); },
       {0x00, 0, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"Seek10",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.Seek10(d, 0x12345678, s);
       },
       {0x2B, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"ReadCapacity",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         BYTE reply[kReadCapacityReplySize];
         return c.ReadCapacity(d, reply, s);
       },
       {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       DataDirection::In,
       8,
       {}},
      {"GetConfigurationAllFromTheProfileList",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.GetConfiguration(d, kAllFeatures, 0, b, 0x0208, s);
       },
       {0x46, 0x00, 0x00, 0x00, 0, 0, 0, 0x02, 0x08, 0},
       DataDirection::In,
       520,
       {}},
      {"GetConfigurationOneFeature",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.GetConfiguration(d, kOneFeature | 0xFC, 0x1234, b, 8, s);
       },
       {0x46, 0x02, 0x12, 0x34, 0, 0, 0, 0x00, 0x08, 0},
       DataDirection::In,
       8,
       {}},
      {"ReadDiscStructurePhysicalFormatOfLayer1",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadDiscStructure(d, 0xF1, 0x01020304, 1, 0x00, b, 0x0804, s);
       },
       {0xAD, 0x01, 0x01, 0x02, 0x03, 0x04, 0x01, 0x00, 0x08, 0x04, 0, 0},
       DataDirection::In,
       0x0804,
       {}},
      {"Seek10Negative",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) { return c.Seek10(d, -150, s); },
       {0x2B, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"SetCDSpeedMaximum",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.SetCDSpeed(d, 0xFFFF, 0xFFFF, s);
       },
       {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"SetCDSpeed",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.SetCDSpeed(d, 0x1234, 0x0B06, s);
       },
       {0xBB, 0, 0x12, 0x34, 0x0B, 0x06, 0, 0, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"SetSpeed",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.SetSpeed(d, 0x1234, 0x0B06, s);
       },
       {0xBB, 0, 0x12, 0x34, 0x0B, 0x06, 0, 0, 0, 0, 0, 0},
       DataDirection::None,
       0,
       {}},
      {"StartStopUnitStop",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.StartStopUnit(d, false, false, false, s);
       },
       {0x1B, 0, 0, 0, 0x00, 0},
       DataDirection::None,
       0,
       {}},
      {"StartStopUnitStartImmediate",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE*, SenseResult* s) {
         return c.StartStopUnit(d, true, false, true, s);
       },
       {0x1B, 0x01, 0, 0, 0x01, 0},
       DataDirection::None,
       0,
       {}},
      {"GetPerformanceWriteSpeeds",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.GetPerformance(d, kWriteSpeedDescriptors, 0, 0, 32, b, 520, s);
       },
       {0xAC, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0x03, 0},
       DataDirection::In,
       520,
       {}},
      {"GetPerformanceNominalRead",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.GetPerformance(d, kPerformanceData, kNominalReadPerformance, 0x12345, 4, b, 72,
                                 s);
       },
       {0xAC, 0x10, 0, 0x01, 0x23, 0x45, 0, 0, 0x00, 0x04, 0x00, 0},
       DataDirection::In,
       72,
       {}},
      {"ReadTOCLeadOut",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0, 0xAA, 0, b, 2352, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0xAA, 0x09, 0x30, 0},
       DataDirection::In,
       2352,
       {}},
      {"ReadTocLeadOut",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadToc(d, 0, 0xAA, 0, b, 2352, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0xAA, 0x09, 0x30, 0},
       DataDirection::In,
       2352,
       {}},
      {"ReadTOCFormat2Msf",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0xFF, 1, 2, b, 12, s);
       },
       {0x43, 0x02, 0x02, 0, 0, 0, 0x01, 0x00, 0x0C, 0},
       DataDirection::In,
       12,
       {}},
      {"ReadTOCFormat14",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0, 0, 14, b, 20, s);
       },
       {0x43, 0, 0x0E, 0, 0, 0, 0, 0x00, 0x14, 0},
       DataDirection::In,
       20,
       {}},
      {"ReadTOCFormat15",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0, 0, 15, b, 20, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0, 0x00, 0x14, 0},
       DataDirection::In,
       20,
       {}},
      {"ReadTOCFormat40hOlderEncoding",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0x02, 0, 0x40, b, 804, s);
       },
       {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0x40},
       DataDirection::In,
       804,
       {}},
      {"ReadTOCFormatC5hOlderEncoding",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadTOCPMAATIP(d, 0x01, 0, 0xC5, b, 20, s);
       },
       {0x43, 0, 0, 0, 0, 0, 0, 0x00, 0x14, 0xC0},
       DataDirection::In,
       20,
       {}},
      {"Read10",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.Read10(d, 0x00012345, 27, b, 27 * 2048, s);
       },
       {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0x00, 0x1B, 0},
       DataDirection::In,
       55296,
       {}},
      {"Read10Extremes",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.Read10(d, -1, 0xFFFF, b, 2048, s);
       },
       {0x28, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0},
       DataDirection::In,
       2048,
       {}},
      {"ReadCD24BitCountAndMasks",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadCD(d, 0xFF, 300000, 0x01000001, 0xFF, 0xFF, b, 2352, s);
       },
       {0xBE, 0x1C, 0x00, 0x04, 0x93, 0xE0, 0x00, 0x00, 0x01, 0xF8, 0x07, 0},
       DataDirection::In,
       2352,
       {}},
      {"ReadCDRaw27",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ReadCD(d, 0x04, 0, 27, 0xF8, 0, b, 27 * 2352, s); },
       {0xBE, 0x04, 0, 0, 0, 0, 0, 0, 0x1B, 0xF8, 0, 0},
       DataDirection::In,
       63504,
       {}},
      {"Read12WithForceUnitAccess",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.Read12(d, 0x00012345, 0x01000002, true, b, 2 * 2352, s);
       },
       {0xA8, 0x08, 0x00, 0x01, 0x23, 0x45, 0x01, 0x00, 0x00, 0x02, 0, 0},
       DataDirection::In,
       4704,
       {}},
      {"Read12",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.Read12(d, -1, 27, false, b, 27 * 2048, s);
       },
       {0xA8, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 27, 0, 0},
       DataDirection::In,
       55296,
       {}},
      {"ReadCDC2Bits",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadCDC2(d, 0x04, 1000, 24, scsi::C2Field::Bits, b, 0x10000, s);
       },
       {0xBE, 0x04, 0, 0, 0x03, 0xE8, 0, 0, 24, 0xFA, 0, 0},
       DataDirection::In,
       24 * 2646,
       {}},
      {"ReadCDC2BlockError",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ReadCDC2(d, 0xFF, -150, 1, scsi::C2Field::BlockErrorAndBits, b, 2648, s);
       },
       {0xBE, 0x1C, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 1, 0xFC, 0, 0},
       DataDirection::In,
       2648,
       {}},
      {"ReadCDMSF",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ReadCDMSF(d, 0, 300000, 27, 0xF8, 0, b, 27 * 2352, s); },
       {0xB9, 0, 0, 0x42, 0x2A, 0x00, 0x42, 0x2A, 0x1B, 0xF8, 0, 0},
       DataDirection::In,
       63504,
       {}},
      {"ReadCDMSFAcrossTheWrap",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ReadCDMSF(d, 0xFF, -151, 2, 0x17, 0xFA, b, 4704, s); },
       {0xB9, 0x1C, 0, 0x63, 0x3B, 0x4A, 0x00, 0x00, 0x01, 0x10, 0x02, 0},
       DataDirection::In,
       4704,
       {}},
      {"ModeSense6",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ModeSense6(d, 0xEA, 120, b, s); },
       {0x1A, 0, 0x2A, 0, 0x78, 0},
       DataDirection::In,
       120,
       {}},
      {"ModeSense10",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ModeSense10(d, 0x41, 120, b, s); },
       {0x5A, 0, 0x01, 0, 0, 0, 0, 0x00, 0x78, 0},
       DataDirection::In,
       120,
       {}},
      {"ModeSense10Long",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ModeSense10(d, 0x3F, 0x0100, b, s); },
       {0x5A, 0, 0x3F, 0, 0, 0, 0, 0x01, 0x00, 0},
       DataDirection::In,
       256,
       {}},
      {"ModeSenseChangeable10",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b,
          SenseResult* s) { return c.ModeSenseChangeable(d, 0xC1, true, 120, b, s); },
       {0x5A, 0, 0x41, 0, 0, 0, 0, 0x00, 0x78, 0},
       DataDirection::In,
       120,
       {}},
      {"ModeSenseChangeable6CapsTheLength",
       [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
         return c.ModeSenseChangeable(d, 0x01, false, 0x0100, b, s);
       },
       {0x1A, 0, 0x41, 0, 0xFF, 0},
       DataDirection::In,
       255,
       {}},
  };

  Bytes sent6 = Head(ModeList6(), 24);
  sent6[0] = sent6[1] = 0;
  cases.push_back({"ModeSelect6Sends24",
                   [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
                     const Bytes list = ModeList6();
                     std::copy(list.begin(), list.end(), b);
                     return c.ModeSelect6(d, b, kModeReplySize, s);
                   },
                   {0x15, 0x10, 0, 0, 0x18, 0},
                   DataDirection::Out,
                   24,
                   sent6});

  Bytes sent10 = Head(ModeList10(), 28);
  sent10[0] = sent10[1] = 0;
  cases.push_back({"ModeSelect10Sends28",
                   [](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
                     const Bytes list = ModeList10();
                     std::copy(list.begin(), list.end(), b);
                     return c.ModeSelect10(d, b, kModeReplySize, s);
                   },
                   {0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x1C, 0},
                   DataDirection::Out,
                   28,
                   sent10});

  // Headers announcing more than the 120-byte list holds: never a byte beyond it.
  Bytes big6(kModeReplySize, 0x5C);
  big6[3] = 100;     // block descriptor length
  big6[105] = 0xFF;  // length byte of the "first page"
  Bytes sentBig6 = big6;
  sentBig6[0] = sentBig6[1] = 0;
  cases.push_back({"ModeSelect6BoundedByTheList",
                   [big6](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
                     std::copy(big6.begin(), big6.end(), b);
                     return c.ModeSelect6(d, b, kModeReplySize, s);
                   },
                   {0x15, 0x10, 0, 0, 0x78, 0},
                   DataDirection::Out,
                   120,
                   sentBig6});

  Bytes big6Far(kModeReplySize, 0x5C);
  big6Far[3] = 0xFF;  // the page length byte would lie at 260
  Bytes sentBig6Far = big6Far;
  sentBig6Far[0] = sentBig6Far[1] = 0;
  cases.push_back({"ModeSelect6PageLengthOutsideTheList",
                   [big6Far](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
                     std::copy(big6Far.begin(), big6Far.end(), b);
                     return c.ModeSelect6(d, b, kModeReplySize, s);
                   },
                   {0x15, 0x10, 0, 0, 0x78, 0},
                   DataDirection::Out,
                   120,
                   sentBig6Far});

  Bytes big10(kModeReplySize, 0x5C);
  big10[6] = 0xFF;
  big10[7] = 0xF0;  // block descriptor length FFF0h
  Bytes sentBig10 = big10;
  sentBig10[0] = sentBig10[1] = 0;
  cases.push_back({"ModeSelect10BoundedByTheList",
                   [big10](FileMMCSeq& c, DeviceEntry& d, BYTE* b, SenseResult* s) {
                     std::copy(big10.begin(), big10.end(), b);
                     return c.ModeSelect10(d, b, kModeReplySize, s);
                   },
                   {0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x78, 0},
                   DataDirection::Out,
                   120,
                   sentBig10});
  return cases;
}

DataDirection Described(scsi::DataDirection direction) {
  switch (direction) {
    case scsi::DataDirection::In:
      return DataDirection::In;
    case scsi::DataDirection::Out:
      return DataDirection::Out;
    case scsi::DataDirection::None:
      break;
  }
  return DataDirection::None;
}

class MmcCommandTest : public ::testing::TestWithParam<Path> {};

TEST_P(MmcCommandTest, CommandBlocksMatchTheLayouts) {
  auto drive = std::make_shared<FakeDrive>();
  drive->AcceptAll(true);
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  ASSERT_EQ(machine.SptiActive(), GetParam() == Path::PassThrough);

  std::vector<BYTE> buffer(0x10000);
  for (const CdbCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    drive->Clear();
    SenseResult sense{};
    EXPECT_EQ(c.send(machine.chain(), machine.device(), buffer.data(), &sense), SS_COMP);
    const std::vector<ReceivedCdb> received = drive->Commands();
    ASSERT_EQ(received.size(), 1u);
    const ReceivedCdb& got = received[0];
    ASSERT_EQ(got.cdbLength, c.cdb.size());
    EXPECT_EQ(Bytes(got.cdb.begin(), got.cdb.begin() + got.cdbLength), c.cdb);
    EXPECT_EQ(Bytes(got.cdb.begin() + got.cdbLength, got.cdb.end()), Bytes(16 - got.cdbLength, 0));
    EXPECT_EQ(got.dataLength, c.dataLength);
    if (c.dataLength > 0) {
      EXPECT_EQ(got.direction, c.direction);
    }
    if (c.direction == DataDirection::Out) {
      EXPECT_EQ(got.dataOut, c.dataOut);
    }
    // The row the builder took its block length and direction from.
    const scsi::Command* row = scsi::FindCommand(got.cdb[0]);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(got.cdbLength, row->cdbLength);
    EXPECT_EQ(c.direction, Described(row->direction));
    if (row->direction == scsi::DataDirection::None) {
      EXPECT_EQ(got.dataLength, 0u);
    }
  }
}

TEST_P(MmcCommandTest, DeviceOperationsReportWhatTheCommandsReport) {
  auto drive = std::make_shared<FakeDrive>();  // answers SET CD SPEED and READ TOC 05/20/00
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  FileMMCSeq& chain = machine.chain();
  BYTE toc[64];

  SenseResult direct{}, forwarded{};
  EXPECT_EQ(chain.SetCDSpeed(machine.device(), 0xFFFF, 0xFFFF, &direct), SS_ERR);
  EXPECT_EQ(chain.SetSpeed(machine.device(), 0xFFFF, 0xFFFF, &forwarded), SS_ERR);
  EXPECT_EQ(std::memcmp(&direct, &forwarded, sizeof direct), 0);
  EXPECT_EQ(direct.SenseKey, 0x05);
  EXPECT_EQ(direct.ASC, 0x20);

  direct = forwarded = SenseResult{};
  EXPECT_EQ(chain.ReadTOCPMAATIP(machine.device(), 0, 0xAA, 0, toc, sizeof toc, &direct), SS_ERR);
  EXPECT_EQ(chain.ReadToc(machine.device(), 0, 0xAA, 0, toc, sizeof toc, &forwarded), SS_ERR);
  EXPECT_EQ(std::memcmp(&direct, &forwarded, sizeof direct), 0);
  EXPECT_EQ(direct.SenseKey, 0x05);
}

TEST_P(MmcCommandTest, ReadCDClearsTheFirstDataByteBeforeSending) {
  auto drive = std::make_shared<FakeDrive>();
  drive->RejectOpcode(0xBE);
  drive->RejectOpcode(0xB9);
  Machine machine(GetParam(), drive);
  ASSERT_EQ(machine.chain().DeviceCount, 1);
  BYTE buffer[2352];
  SenseResult sense{};

  std::memset(buffer, 0xAA, sizeof buffer);
  EXPECT_EQ(machine.chain().ReadCD(machine.device(), 0, 16, 1, 0xF8, 0, buffer, 2352, &sense),
            SS_ERR);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 0xAA);

  std::memset(buffer, 0xAA, sizeof buffer);
  EXPECT_EQ(machine.chain().ReadCDMSF(machine.device(), 0, 16, 1, 0xF8, 0, buffer, 2352, &sense),
            SS_ERR);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 0xAA);
}

// A buffer that cannot hold every sector with its C2 information is refused before anything
// is sent: the drive would otherwise be asked for more than the buffer holds.
TEST_P(MmcCommandTest, ReadCDC2RefusesABufferTooSmallForItsSectors) {
  auto drive = std::make_shared<FakeDrive>();
  drive->AcceptAll(true);
  Machine machine(GetParam(), drive);
  drive->Clear();
  std::vector<BYTE> buffer(2 * 2648);
  SenseResult sense{};
  for (const DWORD length : {DWORD{2 * 2646 - 1}, DWORD{2 * 2648 - 1}}) {
    const auto field = length < 2 * 2646 ? scsi::C2Field::Bits : scsi::C2Field::BlockErrorAndBits;
    EXPECT_EQ(
        machine.chain().ReadCDC2(machine.device(), 0, 0, 2, field, buffer.data(), length, &sense),
        SS_INVALID_SRB);
  }
  EXPECT_EQ(
      machine.chain().ReadCDC2(machine.device(), 0, 0, 1, scsi::C2Field::Bits, nullptr, 0, &sense),
      SS_INVALID_SRB);
  EXPECT_TRUE(drive->Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(BothPaths, MmcCommandTest,
                         ::testing::Values(Path::AspiManager, Path::PassThrough),
                         [](const auto& info) { return PathName(info.param); });

}  // namespace
}  // namespace drivetest
