// ExecSCSICmd: the execute block it builds, the completion wait, the retry rules, the
// transit buffer and the refusals — on the ASPI path (the simulated manager completes on
// its own thread) and on the pass-through path.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "scsi/Sense.h"
#include "tests/transport/Machines.h"
#include "tests/transport/Wire.h"

namespace transport_test {
namespace {

using sim::ScriptedStep;

enum class Path { Aspi, Spti };

std::string PathName(Path path) {
  return path == Path::Aspi ? "Aspi" : "Spti";
}

const sim::ScsiAddress kCdAddress{0, 0, 1, 0};
const BYTE kTestUnitReady[16] = {0x00};
const BYTE kRead10[16] = {0x28, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01, 0x00};

// Windows 98 with the ASPI library, or Windows 2000 (administrator, no library) with the
// drive as letter D:; the scripted drive sits at target 1 of the first adapter.
sim::SimProfile ProfileFor(Path path, std::shared_ptr<sim::ScriptedTarget> cd,
                           DWORD alignmentMask = 0) {
  sim::SimProfile profile =
      path == Path::Aspi ? sim::SimProfile::Windows98() : sim::SimProfile::Windows2000(true);
  profile.AddDrive('D', kCdAddress, std::move(cd));
  profile.Port(0).alignmentMask = alignmentMask;
  return profile;
}

struct Fixture {
  explicit Fixture(Path path, DWORD alignmentMask = 0)
      : cd(ScriptedCd()), machine(ProfileFor(path, cd, alignmentMask)) {
    Aspi& aspi = machine.Build();
    EXPECT_EQ(aspi.SPTIActive, path == Path::Spti ? 1 : 0);
    EXPECT_EQ(aspi.DeviceCount, 1);
    sentBefore = cd->CommandCount();
  }
  Aspi& aspi() { return machine.aspi(); }
  DeviceEntry& entry() { return machine.aspi().Devices[0]; }
  std::size_t Sends() const { return cd->CommandCount() - sentBefore; }

  std::shared_ptr<sim::ScriptedTarget> cd;
  Machine machine;
  std::size_t sentBefore = 0;
};

// CHECK CONDITION with descriptor-format sense data (response code 72h).
ScriptedStep DescriptorSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  ScriptedStep step = ScriptedStep::Status(0x02);
  step.reply.senseLength = static_cast<std::uint8_t>(scsi::BuildSense(
      step.reply.sense, sizeof step.reply.sense, {key, asc, ascq}, scsi::SenseFormat::Descriptor));
  return step;
}

Bytes SenseBytes(const SenseResult& sense) {
  return Raw(&sense, sizeof(sense));
}

// --- retry rules ------------------------------------------------------------------------

struct RetryCase {
  const char* name;
  std::vector<ScriptedStep> steps;
  BYTE status;
  Bytes sense;  // the four bytes of the sense result
  std::size_t sends;
  bool aspiOnly;  // scripted SRB_Status exists only on the ASPI path
};

std::vector<RetryCase> RetryCases() {
  return {
      {"UnitAttentionResetThenGood",
       {ScriptedStep::CheckCondition(0x06, 0x29, 0x00), ScriptedStep::Good()},
       SS_COMP,
       {0x06, 0x29, 0x00, 0x01},
       2,
       false},
      {"MediumChangedTwice",
       {ScriptedStep::CheckCondition(0x06, 0x28, 0x00),
        ScriptedStep::CheckCondition(0x06, 0x28, 0x00), ScriptedStep::Good()},
       SS_ERR,
       {0x06, 0x28, 0x00, 0x01},
       2,
       false},
      {"AbortedCommandWithoutAscRetried",
       {ScriptedStep::CheckCondition(0x0B, 0x00, 0x06), ScriptedStep::Good()},
       SS_COMP,
       {0x0B, 0x00, 0x06, 0x01},
       2,
       false},
      {"AbortedCommandWithAscNotRetried",
       {ScriptedStep::CheckCondition(0x0B, 0x47, 0x00), ScriptedStep::Good()},
       SS_ERR,
       {0x0B, 0x47, 0x00, 0x00},
       1,
       false},
      {"IllegalRequestNotRetried",
       {ScriptedStep::CheckCondition(0x05, 0x24, 0x00), ScriptedStep::Good()},
       SS_ERR,
       {0x05, 0x24, 0x00, 0x00},
       1,
       false},
      {"OtherUnitAttentionNotRetried",
       {ScriptedStep::CheckCondition(0x06, 0x2A, 0x01), ScriptedStep::Good()},
       SS_ERR,
       {0x06, 0x2A, 0x01, 0x00},
       1,
       false},
      {"BusyResentWithoutCounting",
       {ScriptedStep::Busy(), ScriptedStep::Busy(), ScriptedStep::Good()},
       SS_COMP,
       {0x00, 0x00, 0x00, 0x00},
       3,
       false},
      {"BusyThenNormalRuleApplies",
       {ScriptedStep::Busy(), ScriptedStep::CheckCondition(0x06, 0x29, 0x00), ScriptedStep::Busy(),
        ScriptedStep::CheckCondition(0x06, 0x29, 0x00), ScriptedStep::Good()},
       SS_ERR,
       {0x06, 0x29, 0x00, 0x01},
       4,
       false},
      {"ReservationConflictResent",
       {ScriptedStep::Status(0x18), ScriptedStep::Good()},
       SS_COMP,
       {0x00, 0x00, 0x00, 0x00},
       2,
       false},
      {"AbortedStatusStopsAtOnce",
       {ScriptedStep::SrbStatus(SS_ABORTED), ScriptedStep::Good()},
       SS_ABORTED,
       {0x00, 0x00, 0x00, 0x00},
       1,
       true},
      {"AdapterErrorReadsZeroSense",
       {ScriptedStep::Good().HostStatus(HASTAT_SEL_TO), ScriptedStep::Good()},
       SS_ERR,
       {0x00, 0x00, 0x00, 0x00},
       1,
       true},
      {"DescriptorSenseNoMedium",
       {DescriptorSense(0x02, 0x3A, 0x00), ScriptedStep::Good()},
       SS_ERR,
       {0x02, 0x3A, 0x00, 0x00},
       1,
       false},
      {"DescriptorSenseUnitAttentionRetried",
       {DescriptorSense(0x06, 0x29, 0x00), ScriptedStep::Good()},
       SS_COMP,
       {0x06, 0x29, 0x00, 0x01},
       2,
       false},
      {"LateCompletionAfterRetry",
       {ScriptedStep::CheckCondition(0x06, 0x28, 0x00), ScriptedStep::Good().Late(150)},
       SS_COMP,
       {0x06, 0x28, 0x00, 0x01},
       2,
       false},
  };
}

class RetryRules : public ::testing::TestWithParam<Path> {};

TEST_P(RetryRules, SendCountsStatusAndSense) {
  for (const RetryCase& c : RetryCases()) {
    if (c.aspiOnly && GetParam() != Path::Aspi) continue;
    SCOPED_TRACE(c.name);
    Fixture f(GetParam());
    for (const ScriptedStep& step : c.steps) f.cd->Then(step);
    SRB_ExecSCSICmd srb{};
    SenseResult sense{0xEE, 0xEE, 0xEE, 0xEE};
    const BYTE status =
        f.aspi().ExecSCSICmd(f.entry(), srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(srb.SRB_Status, c.status);
    EXPECT_TRUE(SameBytes(SenseBytes(sense), c.sense));
    EXPECT_EQ(f.Sends(), c.sends);
  }
}

TEST_P(RetryRules, RetryLimitIsTheHighestCountedRetry) {
  Fixture f(GetParam());
  f.aspi().RetryLimit = 3;
  f.cd->Then(ScriptedStep::CheckCondition(0x06, 0x29, 0x00), 5);
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE status =
      f.aspi().ExecSCSICmd(f.entry(), srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
  EXPECT_EQ(status, SS_ERR);
  EXPECT_EQ(f.Sends(), 4u);
  EXPECT_TRUE(SameBytes(SenseBytes(sense), {0x06, 0x29, 0x00, 0x03}));
}

// A target that never stops being busy must not hold the caller for ever: resends pause
// briefly and end after a bounded time on the host clock.
TEST_P(RetryRules, EndlessBusyIsBounded) {
  Fixture f(GetParam());
  f.cd->SetDefault(ScriptedStep::Busy());
  const std::uint64_t start = f.machine.host().NowMicros();
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE status =
      f.aspi().ExecSCSICmd(f.entry(), srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
  EXPECT_EQ(status, SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, STATUS_BUSY);
  EXPECT_TRUE(SameBytes(SenseBytes(sense), {0, 0, 0, 0}));
  EXPECT_EQ(f.Sends(), 1u + kBusyResendTimeMs / kBusyResendPauseMs);
  EXPECT_GE(f.machine.host().NowMicros() - start, std::uint64_t{kBusyResendTimeMs} * 1000);
}

INSTANTIATE_TEST_SUITE_P(Paths, RetryRules, ::testing::Values(Path::Aspi, Path::Spti),
                         [](const auto& info) { return PathName(info.param); });

// --- the execute block and the command block -------------------------------------------

TEST(ExecuteBlock, AspiManagerReceivesThePublishedBlock) {
  Fixture f(Path::Aspi);
  f.machine.host().ClearRecords();
  f.cd->Then(ScriptedStep::Good(std::vector<std::uint8_t>(2048, 0x11)));
  alignas(16) static BYTE buffer[2048];
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  ASSERT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, 2048, SRB_DIR_IN, kRead10, 10),
            SS_COMP);

  const auto blocks = RequestsOf(f.machine.host(), SC_EXEC_SCSI_CMD);
  ASSERT_EQ(blocks.size(), 1u);
  ASSERT_EQ(blocks[0].size(), sizeof(SRB_ExecSCSICmd));
  const Bytes expected = {
      0x02, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x00,  // cmd, status, HaId, flags, reserved
      0x01, 0x00, 0x00, 0x00,                          // target, LUN, reserved
      0x00, 0x08, 0x00, 0x00,                          // SRB_BufLen 2048
      0x00, 0x00, 0x00, 0x00,                          // SRB_BufPointer (checked below)
      0x0E, 0x0A, 0x00, 0x00,                          // sense 14, CDB 10, HaStat, TargStat
      0x00, 0x00, 0x00, 0x00,                          // SRB_PostProc (checked below)
      0x00, 0x00, 0x00, 0x00,                          // SRB_Rsvd2
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // SRB_Rsvd3
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x28, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00,  // CDBByte
      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // SenseArea, 66 bytes
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00,
  };
  ASSERT_EQ(expected.size(), 130u);
  EXPECT_TRUE(SameBytes(ExecWire32(blocks[0].data()), expected));
  SRB_ExecSCSICmd received;
  std::memcpy(&received, blocks[0].data(), sizeof(received));
  EXPECT_EQ(Unpacked(received.SRB_BufPointer), buffer);
  EXPECT_EQ(Unpacked(received.SRB_PostProc), f.aspi().CompletionEvent);

  // After the return the block holds what the manager wrote.
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(srb.SRB_TargStat, STATUS_GOOD);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(buffer[2047], 0x11);
}

TEST(ExecuteBlock, SixteenCommandBytesReachTheDriveWhateverTheLength) {
  for (Path path : {Path::Aspi, Path::Spti}) {
    SCOPED_TRACE(PathName(path));
    Fixture f(path);
    const BYTE cdb[16] = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00, 0xA1, 0xA2,
                          0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA};
    BYTE answer[36] = {};
    SRB_ExecSCSICmd srb{};
    SenseResult sense{};
    ASSERT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, answer, 36, SRB_DIR_IN, cdb, 6), SS_COMP);
    const auto commands = f.cd->Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_TRUE(SameBytes(commands.back().cdb, Raw(cdb, 16)));
    EXPECT_EQ(commands.back().cdbLength, 6);
    EXPECT_EQ(commands.back().dataLength, 36u);
  }
}

// A path that answers SS_PENDING and signals the event later: the call returns only after
// the signal, with the final status and data.
TEST(CompletionWait, LateCompletionThroughTheEvent) {
  Fixture f(Path::Aspi);
  f.cd->Then(ScriptedStep::Good(std::vector<std::uint8_t>(64, 0x5C)).Late(250));
  const std::uint64_t start = f.machine.host().NowMicros();
  BYTE buffer[64] = {};
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE status =
      f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, 64, SRB_DIR_IN, kRead10, 10);
  EXPECT_EQ(status, SS_COMP);
  EXPECT_EQ(buffer[63], 0x5C);
  EXPECT_GE(f.machine.host().NowMicros() - start, 250000u);
  EXPECT_EQ(f.Sends(), 1u);
}

// --- transit buffer ----------------------------------------------------------------------

struct TransitCase {
  const char* name;
  DWORD mask;
  int offset;  // from a 16-byte aligned address
  BYTE direction;
  bool transit;
};

TEST(TransitBuffer, MisalignedBuffersGoThroughItInBothDirections) {
  const TransitCase cases[] = {
      {"OddInMask1", 0x0001, 1, SRB_DIR_IN, true},
      {"EvenInMask1", 0x0001, 2, SRB_DIR_IN, false},
      {"OddInMask0", 0x0000, 1, SRB_DIR_IN, false},
      {"OddOutMask1", 0x0001, 1, SRB_DIR_OUT, true},
      {"EvenOutMask3", 0x0003, 2, SRB_DIR_OUT, true},
      {"AlignedOutMask3", 0x0003, 4, SRB_DIR_OUT, false},
  };
  for (Path path : {Path::Aspi, Path::Spti}) {
    for (const TransitCase& c : cases) {
      SCOPED_TRACE(PathName(path) + " " + c.name);
      Fixture f(path, c.mask);
      ASSERT_EQ(f.entry().AlignmentMask(), c.mask);
      alignas(16) static BYTE storage[600];
      BYTE* buffer = storage + c.offset;
      std::vector<std::uint8_t> pattern(512);
      for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<BYTE>(i * 7 + 3);
      if (c.direction == SRB_DIR_IN) {
        std::memset(storage, 0, sizeof(storage));
        f.cd->Then(ScriptedStep::Good(pattern));
      } else {
        std::memcpy(buffer, pattern.data(), pattern.size());
        f.cd->Then(ScriptedStep::Good());
      }
      const BYTE cdb[16] = {static_cast<BYTE>(c.direction == SRB_DIR_IN ? 0x28 : 0x2A)};
      SRB_ExecSCSICmd srb{};
      SenseResult sense{};
      ASSERT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, 512, c.direction, cdb, 10),
                SS_COMP);
      EXPECT_EQ(Unpacked(srb.SRB_BufPointer), c.transit ? f.aspi().TransitBufferRef : buffer);
      if (c.direction == SRB_DIR_IN) {
        EXPECT_EQ(std::memcmp(buffer, pattern.data(), pattern.size()), 0);
      } else {
        EXPECT_EQ(f.cd->Commands().back().dataOut, pattern);
      }
    }
  }
}

// The transit buffer rescues a buffer that breaks any mask the adapters report, up to a
// page: the adapter must accept the transit buffer itself. The buffer sits half the mask's
// span off an aligned address, so a transit buffer aligned to less than mask + 1 fails. The
// scan's INQUIRY into its own stack buffer depends on the same rescue.
TEST(TransitBuffer, RescuesMisalignedReadsForMasksUpToAPage) {
  alignas(4096) static BYTE storage[2 * 4096 + 512];
  std::vector<std::uint8_t> pattern(2048);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<BYTE>(i * 13 + 5);
  for (Path path : {Path::Aspi, Path::Spti}) {
    for (DWORD mask : {0x0001u, 0x0003u, 0x0007u, 0x000Fu, 0x01FFu, 0x0FFFu}) {
      SCOPED_TRACE(PathName(path) + " mask " + std::to_string(mask));
      Fixture f(path, mask);
      ASSERT_EQ(f.aspi().DeviceCount, 1) << "the scan lost the drive";
      BYTE* buffer = storage + (mask + 1) / 2;
      std::memset(storage, 0, sizeof(storage));
      f.cd->Then(ScriptedStep::Good(pattern));
      SRB_ExecSCSICmd srb{};
      SenseResult sense{};
      ASSERT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, 2048, SRB_DIR_IN, kRead10, 10),
                SS_COMP);
      EXPECT_EQ(std::memcmp(buffer, pattern.data(), pattern.size()), 0);
      if (path == Path::Spti) {
        EXPECT_EQ(f.entry().SptiDevice->Direct, 1) << "the direct call was given up";
      }
      // Beyond the transit buffer's size a misaligned buffer is still refused unsent.
      const std::size_t sends = f.Sends();
      static std::vector<BYTE> large(kTransitBufferSize + 4096 + 64);
      BYTE* misaligned = reinterpret_cast<BYTE*>(
          ((reinterpret_cast<std::uintptr_t>(large.data()) + 4095) & ~std::uintptr_t{4095}) +
          (mask + 1) / 2);
      EXPECT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, misaligned, kTransitBufferSize + 1,
                                     SRB_DIR_IN, kRead10, 10),
                SS_BUFFER_TOO_BIG);
      EXPECT_EQ(f.Sends(), sends);
    }
  }
}

// The copy back from the transit buffer happens after every attempt, the failed one too.
TEST(TransitBuffer, CopiedBackAfterAFailedAttempt) {
  Fixture f(Path::Aspi, 0x0001);
  alignas(16) static BYTE storage[80];
  BYTE* buffer = storage + 1;
  std::memset(storage, 0xEE, sizeof(storage));
  std::memset(f.aspi().TransitBufferRef, 0x00, 64);
  f.cd->Then(ScriptedStep::CheckCondition(0x05, 0x24, 0x00));
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  EXPECT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, 64, SRB_DIR_IN, kRead10, 10),
            SS_ERR);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[63], 0x00);
  EXPECT_EQ(buffer[64], 0xEE);  // nothing beyond the length
}

// A misaligned transfer of exactly the transit buffer's size is carried through it.
TEST(TransitBuffer, CarriesAMisalignedTransferOfItsWholeSize) {
  static std::vector<BYTE> storage(kTransitBufferSize + 64);
  std::vector<std::uint8_t> pattern(kTransitBufferSize);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<BYTE>(i * 13 + 1);
  for (Path path : {Path::Aspi, Path::Spti}) {
    SCOPED_TRACE(PathName(path));
    Fixture f(path, 0x0001);
    BYTE* buffer = reinterpret_cast<BYTE*>((reinterpret_cast<std::uintptr_t>(storage.data()) + 15) &
                                           ~std::uintptr_t{15}) +
                   1;
    f.cd->Then(ScriptedStep::Good(pattern));
    SRB_ExecSCSICmd srb{};
    SenseResult sense{};
    EXPECT_EQ(f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer,
                                   static_cast<LONG>(kTransitBufferSize), SRB_DIR_IN, kRead10, 10),
              SS_COMP);
    EXPECT_EQ(f.Sends(), 1u);
    EXPECT_EQ(std::memcmp(buffer, pattern.data(), pattern.size()), 0);
  }
}

// Only the low nibble of fixed-format sense byte 2 is the key: the filemark, end-of-medium
// and length-indicator bits above it do not change it.
TEST(SenseCapture, KeyIsTheLowNibbleOfByteTwo) {
  for (const BYTE byte2 : {BYTE{0x25}, BYTE{0xE5}, BYTE{0x05}}) {
    SCOPED_TRACE(static_cast<int>(byte2));
    Fixture f(Path::Aspi);
    ScriptedStep step = ScriptedStep::CheckCondition(0x05, 0x24, 0x00);
    step.reply.sense[2] = byte2;
    f.cd->Then(step);
    SRB_ExecSCSICmd srb{};
    SenseResult sense{};
    EXPECT_EQ(
        f.aspi().ExecSCSICmd(f.entry(), srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6),
        SS_ERR);
    EXPECT_TRUE(SameBytes(SenseBytes(sense), {0x05, 0x24, 0x00, 0x00}));
  }
}

// A drive that leaves three commands in a row unanswered is given up: later commands to it
// are not sent and fail at once. An answer in between starts the count afresh.
TEST_P(RetryRules, DriveGivenUpAfterThreeUnansweredCommandsInARow) {
  const struct {
    const char* name;
    ScriptedStep silence;
  } cases[] = {
      {"NoAnswer", ScriptedStep::NoAnswer()},
      {"TimedOut", ScriptedStep::Good().Service(600000000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(GetParam());
    f.cd->Then(c.silence, 2).Then(ScriptedStep::Good()).Then(c.silence, 3);
    const auto send = [&] {
      SRB_ExecSCSICmd srb{};
      SenseResult sense{};
      return f.aspi().ExecSCSICmd(f.entry(), srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady,
                                  6);
    };
    for (int i = 0; i < 5; ++i) send();
    EXPECT_FALSE(f.aspi().StoppedResponding(f.entry()));
    send();
    EXPECT_TRUE(f.aspi().StoppedResponding(f.entry()));
    EXPECT_EQ(f.Sends(), 6u);
    const std::uint64_t before = f.machine.host().NowMicros();
    EXPECT_EQ(send(), SS_NO_DEVICE);
    EXPECT_EQ(f.Sends(), 6u);
    EXPECT_EQ(f.machine.host().NowMicros(), before);
  }
}

// --- refusals: nothing sent, nothing copied ----------------------------------------------

TEST(Refusals, ReservedDeviceTypeSendsNothing) {
  for (Path path : {Path::Aspi, Path::Spti}) {
    SCOPED_TRACE(PathName(path));
    Fixture f(path);
    DeviceEntry entry = f.entry();
    entry.DeviceType = 0xA1;
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0x5A, sizeof(srb));
    const Bytes before = Raw(&srb, sizeof(srb));
    SenseResult sense{9, 9, 9, 9};
    EXPECT_EQ(f.aspi().ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6),
              SS_ERR);
    EXPECT_TRUE(SameBytes(SenseBytes(sense), {0, 0, 0, 0}));
    EXPECT_TRUE(SameBytes(Raw(&srb, sizeof(srb)), before));
    EXPECT_EQ(f.Sends(), 0u);
  }
}

struct RefusalCase {
  const char* name;
  int offset;
  LONG length;
  bool nullBuffer;
  BYTE direction;
  BYTE status;
};

TEST(Refusals, LengthsThePathCannotCarry) {
  const RefusalCase cases[] = {
      {"NegativeLength", 0, -1, false, SRB_DIR_IN, SS_INVALID_SRB},
      {"NullBufferWithLength", 0, 16, true, SRB_DIR_IN, SS_INVALID_SRB},
      {"TransitTooLongIn", 1, 65537, false, SRB_DIR_IN, SS_BUFFER_TOO_BIG},
      {"TransitTooLongOut", 1, 65537, false, SRB_DIR_OUT, SS_BUFFER_TOO_BIG},
  };
  static std::vector<BYTE> storage(65536 + 64);
  for (Path path : {Path::Aspi, Path::Spti}) {
    for (const RefusalCase& c : cases) {
      SCOPED_TRACE(PathName(path) + " " + c.name);
      Fixture f(path, 0x0001);
      BYTE* aligned = reinterpret_cast<BYTE*>(
          (reinterpret_cast<std::uintptr_t>(storage.data()) + 15) & ~std::uintptr_t{15});
      BYTE* buffer = c.nullBuffer ? nullptr : aligned + c.offset;
      std::fill(storage.begin(), storage.end(), 0x42);
      std::memset(f.aspi().TransitBufferRef, 0x24, kTransitBufferSize);
      SRB_ExecSCSICmd srb{};
      SenseResult sense{};
      EXPECT_EQ(
          f.aspi().ExecSCSICmd(f.entry(), srb, sense, buffer, c.length, c.direction, kRead10, 10),
          c.status);
      EXPECT_EQ(srb.SRB_Status, c.status);
      EXPECT_EQ(f.Sends(), 0u);
      EXPECT_EQ(f.aspi().TransitBufferRef[0], 0x24);
      EXPECT_EQ(f.aspi().TransitBufferRef[kTransitBufferSize - 1], 0x24);
      EXPECT_EQ(storage[100], 0x42);
    }
  }
}

// --- time-outs and disk information ------------------------------------------------------

TEST(SetTimeouts, ZeroAndOverLongBecomeFifteenHours) {
  const struct {
    DWORD asked;
    DWORD sent;
  } cases[] = {{0, 108000},      {90, 90},         {1, 1},
               {108000, 108000}, {108001, 108000}, {0xFFFFFFFF, 108000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    Fixture f(Path::Aspi);
    f.machine.host().ClearRecords();
    EXPECT_EQ(f.aspi().SetTimeouts(f.entry(), c.asked), SS_COMP);
    const auto blocks = RequestsOf(f.machine.host(), SC_GETSET_TIMEOUTS);
    ASSERT_EQ(blocks.size(), 1u);
    const Bytes expected = {
        0x08,
        0x00,
        0x00,
        0x10,
        0x00,
        0x00,
        0x00,
        0x00,  // cmd, status, HaId, flags "set"
        0x01,
        0x00,  // target, LUN
        static_cast<BYTE>(c.sent),
        static_cast<BYTE>(c.sent >> 8),
        static_cast<BYTE>(c.sent >> 16),
        static_cast<BYTE>(c.sent >> 24),  // SRB_Timeout
    };
    EXPECT_TRUE(SameBytes(blocks[0], expected));
    EXPECT_EQ(f.machine.host().aspiManager().Timeout(kCdAddress), c.sent);
  }
}

TEST(GetDiskInfo, AsksByAddressAndReturnsTheDriveBytes) {
  Fixture f(Path::Aspi);
  f.machine.host().ClearRecords();
  SRB_GetDiskInfo srb;
  std::memset(&srb, 0x77, sizeof(srb));
  EXPECT_EQ(f.aspi().GetDiskInfo(f.entry(), srb), SS_COMP);
  const auto blocks = RequestsOf(f.machine.host(), SC_GET_DISK_INFO);
  ASSERT_EQ(blocks.size(), 1u);
  const Bytes expected = {
      0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // cmd, status, HaId, flags, reserved
      0x01, 0x00, 0x00, 0x00, 0x00, 0x00,              // target, LUN, drive bytes
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // SRB_Rsvd1
  };
  EXPECT_TRUE(SameBytes(blocks[0], expected));
  const BYTE* answer = reinterpret_cast<const BYTE*>(&srb);
  EXPECT_TRUE(SameBytes(Raw(answer + 10, 4), {0x00, 'D' - 'A', 0x00, 0x00}));
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
}

}  // namespace
}  // namespace transport_test
