// The pass-through layer: enumeration of ports, buses and drive letters, its answers to
// every request block, the direct and buffered pass-through calls with the error-87
// fallback and the time-out judgement, drive-letter mapping and the administrator test.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/scsi/HardDisk.h"
#include "tests/transport/Machines.h"
#include "tests/transport/Wire.h"

namespace transport_test {
namespace {

using sim::ScriptedStep;

const DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The pass-through layer alone on a machine.
class SptiMachine {
 public:
  explicit SptiMachine(sim::SimProfile profile) : host_(std::move(profile)), installed_(host_) {
    spti_ = std::make_unique<SPTI>();
  }
  ~SptiMachine() { spti_.reset(); }
  sim::SimHost& host() { return host_; }
  SPTI& spti() { return *spti_; }
  void Destroy() { spti_.reset(); }

 private:
  sim::SimHost host_;
  platform::ScopedHost installed_;
  std::unique_ptr<SPTI> spti_;
};

// --- enumeration ---------------------------------------------------------------------------

sim::SimProfile MixedMachine(sim::SimProfile profile) {
  profile.Port(0).buses = 2;
  profile.Port(1);
  profile.AddDrive('C', {0, 0, 0, 0}, std::make_shared<sim::HardDisk>());
  profile.AddDrive('D', {1, 0, 2, 0}, Cd());
  sim::LetterProfile noAddress;
  noAddress.letter = 'E';
  noAddress.reportsAddress = false;
  profile.AddLetter(noAddress);
  profile.AddDrive('F', {0, 1, 3, 0}, Cd());
  profile.Letter('F')->readOnly = true;
  return profile;
}

TEST(SptiEnumeration, PortsBusesAndLettersBecomeRows) {
  SptiMachine m(MixedMachine(sim::SimProfile::Windows2000(true)));
  SPTI& spti = m.spti();
  EXPECT_EQ(spti.BusCount, 3);
  EXPECT_EQ(spti.PortCounter, 2);
  ASSERT_EQ(spti.RowCount, 3);

  struct Row {
    char letter;
    BYTE logical, port, path, target, lun;
  };
  const Row expected[] = {{'C', 0, 0, 0, 0, 0}, {'D', 2, 1, 0, 2, 0}, {'F', 1, 0, 1, 3, 0}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i].letter);
    const SPTIDevice& row = spti.Rows[i];
    EXPECT_EQ(row.DriveLetter, expected[i].letter);
    EXPECT_EQ(row.LogicalAdapter, expected[i].logical);
    EXPECT_EQ(row.PortNumber, expected[i].port);
    EXPECT_EQ(row.PathId, expected[i].path);
    EXPECT_EQ(row.TargetId, expected[i].target);
    EXPECT_EQ(row.Lun, expected[i].lun);
    EXPECT_EQ(row.TimeOut, 0u);
    EXPECT_EQ(row.Direct, 1);
    EXPECT_NE(row.Handle, nullptr);
    EXPECT_NE(row.Handle, INVALID_HANDLE_VALUE);
  }
  // Ports are closed after counting their buses; the letter without an address is closed.
  EXPECT_EQ(m.host().OpenDevices(), 3);
  m.Destroy();
  EXPECT_EQ(m.host().OpenDevices(), 0);
}

TEST(SptiEnumeration, OpensTryReadWriteThenReadOnly) {
  SptiMachine m(MixedMachine(sim::SimProfile::Windows2000(true)));
  std::vector<std::string> opened;
  std::vector<sim::SimHost::DeviceOpen> forF, forScsi2;
  for (const auto& open : m.host().DeviceOpens()) {
    if (open.opened) opened.push_back(open.name);
    if (open.name == "\\\\.\\F:") forF.push_back(open);
    if (open.name == "\\\\.\\SCSI2:") forScsi2.push_back(open);
  }
  const std::vector<std::string> expectedOpened = {
      "\\\\.\\SCSI0:", "\\\\.\\SCSI1:", "\\\\.\\C:", "\\\\.\\D:", "\\\\.\\E:", "\\\\.\\F:"};
  EXPECT_EQ(opened, expectedOpened);
  ASSERT_EQ(forF.size(), 2u);
  EXPECT_EQ(forF[0].access, kReadWrite);
  EXPECT_EQ(forF[0].share, kShareReadWrite);
  EXPECT_EQ(forF[0].disposition, OPEN_EXISTING);
  EXPECT_FALSE(forF[0].opened);
  EXPECT_EQ(forF[1].access, GENERIC_READ);
  EXPECT_EQ(forF[1].share, DWORD{FILE_SHARE_READ});
  EXPECT_TRUE(forF[1].opened);
  // The first port that does not open ends the port search, after its read-only try.
  ASSERT_EQ(forScsi2.size(), 2u);
  EXPECT_EQ(forScsi2[0].access, kReadWrite);
  EXPECT_EQ(forScsi2[1].access, GENERIC_READ);
  // Every letter from C to Z is tried.
  std::size_t letterOpens = 0;
  for (const auto& open : m.host().DeviceOpens()) {
    if (open.name.size() == 6 && open.name[5] == ':') ++letterOpens;
  }
  EXPECT_GE(letterOpens, 24u);
}

TEST(SptiEnumeration, WindowsNT4RowsUseTheBufferedCall) {
  SptiMachine m(MixedMachine(sim::SimProfile::WindowsNT4(true)));
  ASSERT_EQ(m.spti().RowCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m.spti().Rows[i].Direct, 0);
}

TEST(SptiEnumeration, NotNtFamilyStaysEmptyAndAnswersInvalidAdapter) {
  for (sim::SimProfile profile : {sim::SimProfile::Windows95(), sim::SimProfile::Windows98()}) {
    SptiMachine m(MixedMachine(profile));
    EXPECT_EQ(m.spti().RowCount, 0);
    EXPECT_EQ(m.spti().BusCount, 0);
    EXPECT_EQ(m.spti().Rows, nullptr);
    EXPECT_TRUE(m.host().DeviceOpens().empty());
    for (BYTE code : {SC_HA_INQUIRY, SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD, SC_GET_DISK_INFO}) {
      BYTE block[130] = {code};
      EXPECT_EQ(m.spti().SendASPI32Command(block), 0u);
      EXPECT_EQ(block[1], SS_INVALID_HA);
    }
  }
}

TEST(SptiEnumeration, AtMostFortyBuses) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(true);
  profile.Port(0).buses = 39;
  profile.Port(1).buses = 3;
  profile.AddPort();
  profile.AddDrive('D', {1, 0, 1, 0}, Cd());
  profile.AddDrive('E', {1, 2, 1, 0}, Cd());
  SptiMachine m(profile);
  EXPECT_EQ(m.spti().BusCount, 40);
  EXPECT_EQ(m.spti().PortCounter, 2);
  ASSERT_EQ(m.spti().RowCount, 2);
  EXPECT_EQ(m.spti().Rows[0].LogicalAdapter, 39);
  EXPECT_EQ(m.spti().Rows[1].LogicalAdapter, 0xFF);  // (1, 2) did not fit in the bus table
  for (const auto& open : m.host().DeviceOpens()) EXPECT_NE(open.name, "\\\\.\\SCSI2:");
}

// --- request blocks -----------------------------------------------------------------------

// Windows 2000, one port with two buses and alignment mask 3; a CD-ROM drive D: at
// bus 0, target 1; nothing on bus 1.
sim::SimProfile RequestMachine() {
  sim::SimProfile profile = sim::SimProfile::Windows2000(true);
  profile.Port(0).buses = 2;
  profile.Port(0).alignmentMask = 0x0003;
  profile.AddDrive('D', {0, 0, 1, 0}, ScriptedCd());
  return profile;
}

TEST(SptiRequests, HostAdapterInquiry) {
  SptiMachine m(RequestMachine());
  BYTE block[110] = {};
  block[0] = SC_HA_INQUIRY;
  std::memset(block + 60, 0xEE, 50);  // beyond the published block: left alone
  m.spti().SendASPI32Command(block);
  const Bytes expected = {
      0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // cmd, SS_COMP, HaId 0, flags, reserved
      0x02, 0x00,                                      // HA_Count = buses, HA_SCSI_ID
      'T',  'e',  's',  's',  'a',  'l',  'y',  ' ',   // HA_ManagerId
      'C',  'o',  '.',  ' ',  'N',  'T',  0x00, 0x00,  //
      'U',  'n',  'k',  'n',  'o',  'w',  'n',  0x00,  // HA_Identifier
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x03, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,  // HA_Unique: mask 3, 16 targets
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
      0x00, 0x00,                                      // HA_Rsvd1
  };
  EXPECT_TRUE(SameBytes(Raw(block, 60), expected));
  EXPECT_EQ(block[60], 0xEE);
  EXPECT_EQ(block[109], 0xEE);
}

struct RequestCase {
  const char* name;
  Bytes block;  // the request as sent (cleared beyond)
  BYTE status;
};

TEST(SptiRequests, AnswersByCodeAndAddress) {
  const RequestCase cases[] = {
      {"InquiryOfBusWithoutDrive", {SC_HA_INQUIRY, 0, 1}, SS_NO_DEVICE},
      {"InquiryOfAdapterEqualToBusCount", {SC_HA_INQUIRY, 0, 2}, SS_INVALID_HA},
      {"DevTypeOfDrive", {SC_GET_DEV_TYPE, 0, 0, 0, 0, 0, 0, 0, 1, 0}, SS_COMP},
      {"DevTypeOfEmptyTarget", {SC_GET_DEV_TYPE, 0, 0, 0, 0, 0, 0, 0, 2, 0}, SS_NO_DEVICE},
      {"DevTypeOfOtherLun", {SC_GET_DEV_TYPE, 0, 0, 0, 0, 0, 0, 0, 1, 1}, SS_NO_DEVICE},
      {"AbortIsNotServed", {SC_ABORT_SRB, 0, 0, 0, 0, 0, 0, 0, 1, 0}, SS_NO_ASPI},
      {"RescanIsNotServed", {SC_RESCAN_SCSI_BUS, 0, 0}, SS_NO_ASPI},
      {"UnknownCode", {0x05, 0, 0, 0, 0, 0, 0, 0, 1, 0}, SS_NO_ASPI},
      {"DiskInfo", {SC_GET_DISK_INFO, 0, 0, 0, 0, 0, 0, 0, 1, 0}, SS_COMP},
  };
  SptiMachine m(RequestMachine());
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    BYTE block[130] = {};
    std::memcpy(block, c.block.data(), c.block.size());
    EXPECT_EQ(m.spti().SendASPI32Command(block), 0u);
    EXPECT_EQ(block[1], c.status);
    if (block[0] == SC_GET_DEV_TYPE && c.status == SS_COMP) {
      EXPECT_EQ(block[10], DTYPE_UNKNOWN);  // the scan then asks the drive itself
    }
    if (block[0] == SC_GET_DISK_INFO) {
      EXPECT_TRUE(SameBytes(Raw(block, 24), {0x06, 0x01, 0x00, 0x00,      0x00, 0x00, 0x00, 0x00,
                                             0x01, 0x00, 0x00, 'D' - 'A', 0x00, 0x00, 0x00, 0x00,
                                             0x00, 0x00, 0x00, 0x00,      0x00, 0x00, 0x00, 0x00}));
    }
  }
}

TEST(SptiRequests, ResetSignalsTheEventOnlyWhenAskedTo) {
  SptiMachine m(RequestMachine());
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (BYTE flags : {BYTE{SRB_EVENT_NOTIFY}, BYTE{0}}) {
    SCOPED_TRACE(int{flags});
    ResetEvent(event);
    SRB_BusDeviceReset reset{};
    reset.SRB_Cmd = SC_RESET_DEV;
    reset.SRB_Flags = flags;
    reset.SRB_Target = 1;
    reset.SRB_PostProc = event;
    m.spti().SendASPI32Command(&reset);
    EXPECT_EQ(reset.SRB_Status, SS_NO_ASPI);
    EXPECT_EQ(WaitForSingleObject(event, 0), flags != 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
  }
  CloseHandle(event);
}

TEST(SptiRequests, DeviceRowQuery) {
  SptiMachine m(RequestMachine());
  SRB_GetSPTIDevice query{};
  query.SRB_Cmd = SC_GET_SPTI_DEVICE;
  query.SRB_Target = 1;
  m.spti().SendASPI32Command(&query);
  EXPECT_EQ(query.SRB_Status, SS_COMP);
  EXPECT_EQ(Unpacked(query.SRB_Device), &m.spti().Rows[0]);
}

TEST(SptiRequests, TimeoutSetAndGetRules) {
  SptiMachine m(RequestMachine());
  SPTIDevice& row = m.spti().Rows[0];
  struct Step {
    BYTE flags;
    DWORD value;
    BYTE status;
    DWORD rowTimeOut;  // seconds after the request
    DWORD answered;    // SRB_Timeout after the request
  };
  const Step steps[] = {
      {SRB_DIR_OUT, 60, SS_COMP, 30, 60},         // 60 half-seconds: 30 s
      {SRB_DIR_IN, 0, SS_COMP, 30, 60},           // get: twice the seconds
      {SRB_DIR_OUT, 61, SS_INVALID_SRB, 30, 61},  // refused, row unchanged
      {SRB_DIR_OUT, 7, SS_COMP, 3, 7},            // integer division
      {SRB_DIR_IN, 0, SS_COMP, 3, 6},
      {SRB_DIR_OUT, 0, SS_COMP, 0, 0},  // 0: commands use 30 s
      {SRB_DIR_IN, 99, SS_COMP, 0, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << int{s.flags} << " " << s.value);
    SRB_GetSetTimeouts block{};
    block.SRB_Cmd = SC_GETSET_TIMEOUTS;
    block.SRB_Flags = s.flags;
    block.SRB_Target = 1;
    block.SRB_Timeout = s.value;
    m.spti().SendASPI32Command(&block);
    EXPECT_EQ(block.SRB_Status, s.status);
    EXPECT_EQ(row.TimeOut, s.rowTimeOut);
    EXPECT_EQ(Unpacked(block.SRB_Timeout), s.answered);
  }
}

// --- pass-through calls ---------------------------------------------------------------------

// The last pass-through call of one IOCTL code.
const sim::SimHost::PassThroughCall* LastCall(
    const std::vector<sim::SimHost::PassThroughCall>& calls, DWORD code) {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->code == code) return &*it;
  }
  return nullptr;
}

SRB_ExecSCSICmd ExecBlock(BYTE flags, BYTE* buffer, DWORD length, const Bytes& cdb, HANDLE event) {
  SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = flags;
  srb.SRB_Target = 1;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = buffer;
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = static_cast<BYTE>(cdb.size());
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  srb.SRB_PostProc = event;
  return srb;
}

// Patches the two offsets of a literal 32-bit pass-through table where a 64-bit target's
// natural alignment moves them, and the Length the structure has there.
Bytes Native(Bytes table, bool buffered) {
#if UINTPTR_MAX != 0xFFFFFFFFu
  table[0] = static_cast<BYTE>(sizeof(SCSI_PASS_THROUGH_DIRECT));
  if (buffered) table[20] = static_cast<BYTE>(kDataBufferOffset);
  table[24] = static_cast<BYTE>(kSenseBufferOffset);
#else
  (void)buffered;
#endif
  return table;
}

TEST(SendSPTICommand, DirectCallBlock) {
  SptiMachine m(RequestMachine());
  auto cd = std::static_pointer_cast<sim::ScriptedTarget>(m.host().TargetAt({0, 0, 1, 0}));
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  alignas(16) static BYTE buffer[36];
  std::memset(buffer, 0, sizeof(buffer));
  SRB_ExecSCSICmd srb = ExecBlock(SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer, 36,
                                  {0x12, 0x00, 0x00, 0x00, 0x24, 0x00}, event);
  EXPECT_EQ(m.spti().SendSPTICommand(&srb, &m.spti().Rows[0]), SS_COMP);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(buffer[0], 0x05);

  const auto calls = m.host().PassThroughCalls();
  const auto* call = LastCall(calls, IOCTL_SCSI_PASS_THROUGH_DIRECT);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->inSize, kDirectCallSize);
  EXPECT_EQ(call->outSize, kDirectCallSize);
#if UINTPTR_MAX == 0xFFFFFFFFu
  EXPECT_EQ(call->inSize, 80u);
#endif
  const Bytes expected = Native(
      {
          0x2C,
          0x00,
          0x00,
          0x00,
          0x01,
          0x00,
          0x06,
          0x0E,  // Length 44, status, path, target,
                 // LUN, CdbLength, SenseInfoLength
          0x01,
          0x00,
          0x00,
          0x00,  // DataIn = in, reserved
          0x24,
          0x00,
          0x00,
          0x00,  // DataTransferLength 36
          0x1E,
          0x00,
          0x00,
          0x00,  // TimeOutValue 30 (none set)
          0x00,
          0x00,
          0x00,
          0x00,  // DataBuffer (checked below)
          0x30,
          0x00,
          0x00,
          0x00,  // SenseInfoOffset 48
          0x12,
          0x00,
          0x00,
          0x00,
          0x24,
          0x00,
          0x00,
          0x00,  // Cdb
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
      },
      false);
  EXPECT_TRUE(SameBytes(PassThroughWire32(call->in, false), expected));
  SCSI_PASS_THROUGH_DIRECT sent;
  std::memcpy(&sent, call->in.data(), sizeof(sent));
  EXPECT_EQ(sent.DataBuffer, buffer);
  CloseHandle(event);
  (void)cd;
}

TEST(SendSPTICommand, NoRowAnswersNoDevice) {
  SptiMachine m(RequestMachine());
  SRB_ExecSCSICmd srb = ExecBlock(SRB_DIR_OUT, nullptr, 0, {0x00, 0, 0, 0, 0, 0}, nullptr);
  EXPECT_EQ(m.spti().SendSPTICommand(&srb, nullptr), SS_NO_DEVICE);
  EXPECT_EQ(srb.SRB_Status, SS_NO_DEVICE);
}

TEST(SendSPTICommand, CheckConditionCopiesExactlyTheAskedSense) {
  SptiMachine m(RequestMachine());
  auto cd = std::static_pointer_cast<sim::ScriptedTarget>(m.host().TargetAt({0, 0, 1, 0}));
  ScriptedStep step;
  step.reply.status = STATUS_CHKCOND;
  const BYTE sense[18] = {0x70, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00,
                          0x00, 0x00, 0x00, 0x11, 0x05, 0xF1, 0xF2, 0xF3, 0xF4};
  std::memcpy(step.reply.sense, sense, sizeof(sense));
  step.reply.senseLength = 18;
  cd->Then(step);
  SRB_ExecSCSICmd srb = ExecBlock(SRB_DIR_OUT, nullptr, 0, {0x00, 0, 0, 0, 0, 0}, nullptr);
  std::memset(srb.SenseArea, 0xEE, sizeof(srb.SenseArea));
  EXPECT_EQ(m.spti().SendSPTICommand(&srb, &m.spti().Rows[0]), SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, STATUS_CHKCOND);
  EXPECT_EQ(srb.SRB_HaStat, 0x00);
  Bytes expected(sense, sense + 14);
  expected.resize(sizeof(srb.SenseArea), 0xEE);
  EXPECT_TRUE(SameBytes(Raw(srb.SenseArea, sizeof(srb.SenseArea)), expected));
}

// A direct call refused with error 87 fails this command; the row uses the buffered call
// from then on, in both directions.
TEST(SendSPTICommand, Error87FallsBackToTheBufferedCall) {
  sim::SimProfile profile = RequestMachine();
  profile.Port(0).alignmentMask = 0;
  profile.Letter('D')->refusesDirect = true;
  SptiMachine m(profile);
  auto cd = std::static_pointer_cast<sim::ScriptedTarget>(m.host().TargetAt({0, 0, 1, 0}));
  SPTIDevice& row = m.spti().Rows[0];
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const Bytes inquiry = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
  BYTE buffer[36] = {};

  SRB_ExecSCSICmd first = ExecBlock(SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer, 36, inquiry, event);
  EXPECT_EQ(m.spti().SendSPTICommand(&first, &row), SS_INVALID_SRB);
  EXPECT_EQ(row.Direct, 0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);  // failed, still signalled
  EXPECT_EQ(cd->CommandCount(), 0u);

  ResetEvent(event);
  SRB_ExecSCSICmd second = ExecBlock(SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer, 36, inquiry, event);
  EXPECT_EQ(m.spti().SendSPTICommand(&second, &row), SS_COMP);
  EXPECT_EQ(buffer[0], 0x05);  // copied from the data area into the caller's buffer
  EXPECT_EQ(std::memcmp(buffer + 8, "SCRIPTED", 8), 0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);

  const auto calls = m.host().PassThroughCalls();
  const auto* direct = LastCall(calls, IOCTL_SCSI_PASS_THROUGH_DIRECT);
  ASSERT_NE(direct, nullptr);
  EXPECT_FALSE(direct->succeeded);
  EXPECT_EQ(direct->error, ERROR_INVALID_PARAMETER);
  const auto* buffered = LastCall(calls, IOCTL_SCSI_PASS_THROUGH);
  ASSERT_NE(buffered, nullptr);
  EXPECT_EQ(buffered->inSize, kBufferedCallSize);
  EXPECT_EQ(buffered->outSize, kBufferedCallSize);
#if UINTPTR_MAX == 0xFFFFFFFFu
  EXPECT_EQ(buffered->inSize, 65616u);
#endif
  const Bytes expected = Native(
      {
          0x2C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x0E,  // Length 44 .. SenseInfoLength
          0x01, 0x00, 0x00, 0x00,                          // DataIn = in
          0x24, 0x00, 0x00, 0x00,                          // DataTransferLength 36
          0x1E, 0x00, 0x00, 0x00,                          // TimeOutValue 30
          0x50, 0x00, 0x00, 0x00,                          // DataBufferOffset 80
          0x30, 0x00, 0x00, 0x00,                          // SenseInfoOffset 48
          0x12, 0x00, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00,  // Cdb
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      },
      true);
  EXPECT_TRUE(SameBytes(PassThroughWire32(buffered->in, true), expected));

  // Data out: the caller's bytes are copied into the data area before the call.
  const Bytes modeData = {0x00, 0x0E, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04};
  BYTE out[8];
  std::memcpy(out, modeData.data(), sizeof(out));
  cd->Then(ScriptedStep::Good());
  SRB_ExecSCSICmd third =
      ExecBlock(SRB_DIR_OUT | SRB_EVENT_NOTIFY, out, 8,
                {0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00}, event);
  EXPECT_EQ(m.spti().SendSPTICommand(&third, &row), SS_COMP);
  EXPECT_EQ(cd->Commands().back().dataOut, modeData);
  CloseHandle(event);
}

TEST(SendSPTICommand, BufferedCallRefusesMoreThanTheDataArea) {
  SptiMachine m(MixedMachine(sim::SimProfile::WindowsNT4(true)));
  SPTIDevice& row = m.spti().Rows[1];
  ASSERT_EQ(row.Direct, 0);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<BYTE> big(kTransitBufferSize + 1, 0x61);
  std::memset(m.spti().TransitBuffer(), 0x17, kTransitBufferSize);
  const std::size_t callsBefore = m.host().PassThroughCalls().size();
  SRB_ExecSCSICmd srb =
      ExecBlock(SRB_DIR_OUT | SRB_EVENT_NOTIFY, big.data(), kTransitBufferSize + 1,
                {0x2A, 0, 0, 0, 0, 0, 0, 0, 0x21, 0}, event);
  srb.SRB_Target = row.TargetId;
  EXPECT_EQ(m.spti().SendSPTICommand(&srb, &row), SS_BUFFER_TOO_BIG);
  EXPECT_EQ(srb.SRB_Status, SS_BUFFER_TOO_BIG);
  EXPECT_EQ(m.host().PassThroughCalls().size(), callsBefore);
  EXPECT_EQ(m.spti().TransitBuffer()[0], 0x17);
  EXPECT_EQ(m.spti().TransitBuffer()[kTransitBufferSize - 1], 0x17);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

// A failed call is an abort when it failed after the row's time-out, else an invalid request.
TEST(SendSPTICommand, FailedCallJudgedByTheElapsedTime) {
  const struct {
    const char* name;
    DWORD setHalfSeconds;  // 0: none set (30 s)
    ScriptedStep step;
    BYTE status;
  } cases[] = {
      {"TimedOutDefault", 0, ScriptedStep::Good().Service(31000000), SS_ABORTED},
      {"TimedOutSetTen", 20, ScriptedStep::Good().Service(12000000), SS_ABORTED},
      {"WithinTheTimeOut", 0, ScriptedStep::Good().Service(29000000), SS_COMP},
      {"FailsAtOnce", 0, ScriptedStep::IoctlFailure(ERROR_IO_DEVICE), SS_INVALID_SRB},
      {"FailsLateButWithinTime", 0, ScriptedStep::IoctlFailure(ERROR_IO_DEVICE).Service(20000000),
       SS_INVALID_SRB},
      {"FailsAfterExactlyItsTimeOut", 0,
       ScriptedStep::IoctlFailure(ERROR_IO_DEVICE).Service(30000000), SS_INVALID_SRB},
      {"FailsASecondAfterItsTimeOut", 0,
       ScriptedStep::IoctlFailure(ERROR_IO_DEVICE).Service(31000000), SS_ABORTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SptiMachine m(RequestMachine());
    auto cd = std::static_pointer_cast<sim::ScriptedTarget>(m.host().TargetAt({0, 0, 1, 0}));
    SRB_GetSetTimeouts set{};
    set.SRB_Cmd = SC_GETSET_TIMEOUTS;
    set.SRB_Flags = SRB_DIR_OUT;
    set.SRB_Target = 1;
    set.SRB_Timeout = c.setHalfSeconds;
    m.spti().SendASPI32Command(&set);
    cd->Then(c.step);
    SRB_ExecSCSICmd srb = ExecBlock(SRB_DIR_OUT, nullptr, 0, {0x00, 0, 0, 0, 0, 0}, nullptr);
    EXPECT_EQ(m.spti().SendSPTICommand(&srb, &m.spti().Rows[0]), c.status);
    const auto calls = m.host().PassThroughCalls();
    const auto* call = LastCall(calls, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    ASSERT_NE(call, nullptr);
    SCSI_PASS_THROUGH_DIRECT sent;
    std::memcpy(&sent, call->in.data(), sizeof(sent));
    EXPECT_EQ(sent.TimeOutValue, c.setHalfSeconds == 0 ? 30u : c.setHalfSeconds / 2);
  }
}

TEST(GetSPTIBufferMask, ReadsTheAdapterAlignment) {
  SptiMachine m(RequestMachine());
  EXPECT_EQ(m.spti().GetSPTIBufferMask(&m.spti().Rows[0]), 0x0003u);
  EXPECT_EQ(m.spti().GetSPTIBufferMask(nullptr), 0u);
  SPTIDevice closed = m.spti().Rows[0];
  closed.Handle = INVALID_HANDLE_VALUE;
  EXPECT_EQ(m.spti().GetSPTIBufferMask(&closed), 0u);
}

// --- drive letters ----------------------------------------------------------------------------

TEST(MapDriveLetters, RowsAtTheEntryAddressGiveTheirLetter) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(false);
  profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  profile.AddDrive('E', {1, 0, 1, 0}, Cd());
  profile.AddDrive('F', {1, 0, 2, 0}, Cd());
  SptiMachine m(profile);
  ASSERT_EQ(m.spti().RowCount, 3);

  struct EntryCase {
    BYTE adapter, target, lun;
    char before, after;
  };
  const EntryCase cases[] = {
      {1, 1, 0, 'X', 'E'},  // matched by port number, target and LUN
      {0, 1, 0, 'X', 'D'}, {1, 2, 0, 'X', 'F'},
      {0, 5, 0, 'Y', 'Y'},  // no row there: keeps its letter
      {1, 1, 1, 'Z', 'Z'},  // other LUN
      {0, 1, 0, 'W', 'W'},  // beyond the device count: not looked at
  };
  DeviceEntry table[kMaxDevices] = {};
  for (int i = 0; i < 6; ++i) {
    table[i].HostAdapter = cases[i].adapter;
    table[i].Target = cases[i].target;
    table[i].Lun = cases[i].lun;
    table[i].DriveLetter = cases[i].before;
    table[i].DeviceCount = 5;
  }
  m.spti().MapDriveLetters(table);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].DriveLetter, cases[i].after);
  }
}

// Two buses on port 0: the logical adapters (0, 1, 2) no longer equal the port numbers (0, 0,
// 1). Entries are matched by port number; where two rows share port, target and LUN on
// different buses, the first (in letter order) gives its letter.
TEST(MapDriveLetters, MatchesThePortNotTheLogicalAdapter) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(false);
  profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  profile.AddDrive('E', {0, 1, 1, 0}, Cd());
  profile.AddDrive('F', {1, 0, 2, 0}, Cd());
  SptiMachine m(profile);
  ASSERT_EQ(m.spti().RowCount, 3);
  ASSERT_EQ(m.spti().Rows[1].LogicalAdapter, 1);  // port 0, bus 1
  ASSERT_EQ(m.spti().Rows[2].LogicalAdapter, 2);  // port 1, bus 0

  const struct {
    BYTE adapter, target;
    char after;
  } cases[] = {
      {0, 1, 'D'},  // D and E both at port 0, target 1: the first row
      {1, 2, 'F'},  // port 1 is logical adapter 2
      {1, 1, 'X'},  // port 1 has no target 1 (logical adapter 1 has: E)
      {2, 2, 'X'},  // no port 2 (logical adapter 2 is F's bus)
  };
  DeviceEntry table[kMaxDevices] = {};
  for (int i = 0; i < 4; ++i) {
    table[i].HostAdapter = cases[i].adapter;
    table[i].Target = cases[i].target;
    table[i].DriveLetter = 'X';
    table[i].DeviceCount = 4;
  }
  m.spti().MapDriveLetters(table);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].DriveLetter, cases[i].after);
  }
}

// --- the administrator test ----------------------------------------------------------------

const std::vector<std::string> kAdministratorCalls = {
    "ImpersonateSelf",
    "OpenThreadToken",
    "AllocateAndInitializeSid",
    "LocalAlloc",
    "InitializeSecurityDescriptor",
    "GetLengthSid",
    "LocalAlloc",
    "InitializeAcl",
    "AddAccessAllowedAce",
    "SetSecurityDescriptorDacl",
    "SetSecurityDescriptorGroup",
    "SetSecurityDescriptorOwner",
    "IsValidSecurityDescriptor",
    "AccessCheck",
    "RevertToSelf",
    "LocalFree",
    "LocalFree",
    "FreeSid",
};

TEST(IsAdministrator, SecurityCallsInTheirOrder) {
  for (bool administrator : {true, false}) {
    SCOPED_TRACE(administrator);
    SptiMachine m(sim::SimProfile::Windows2000(administrator));
    m.host().ClearRecords();
    EXPECT_EQ(m.spti().IsAdministrator(), administrator);
    EXPECT_EQ(m.host().SecurityCalls(), kAdministratorCalls);
  }
}

struct FailureCase {
  const char* call;
  DWORD error;
  bool answer;         // for an administrator
  std::string output;  // what reaches standard output
  std::vector<std::string> calls;
};

TEST(IsAdministrator, FailedStepsAnswerFalseAndStillRevertAndRelease) {
  const FailureCase cases[] = {
      {"ImpersonateSelf", ERROR_ACCESS_DENIED, false, "", {"ImpersonateSelf", "RevertToSelf"}},
      {"OpenThreadToken",
       ERROR_ACCESS_DENIED,
       false,
       "",
       {"ImpersonateSelf", "OpenThreadToken", "RevertToSelf"}},
      {"AllocateAndInitializeSid",
       ERROR_NOT_ENOUGH_MEMORY,
       false,
       "",
       {"ImpersonateSelf", "OpenThreadToken", "AllocateAndInitializeSid", "RevertToSelf"}},
      {"InitializeAcl",
       ERROR_INVALID_PARAMETER,
       false,
       "",
       {"ImpersonateSelf", "OpenThreadToken", "AllocateAndInitializeSid", "LocalAlloc",
        "InitializeSecurityDescriptor", "GetLengthSid", "LocalAlloc", "InitializeAcl",
        "RevertToSelf", "LocalFree", "LocalFree", "FreeSid"}},
      {"IsValidSecurityDescriptor",
       ERROR_INVALID_PARAMETER,
       false,
       "",
       {"ImpersonateSelf", "OpenThreadToken", "AllocateAndInitializeSid", "LocalAlloc",
        "InitializeSecurityDescriptor", "GetLengthSid", "LocalAlloc", "InitializeAcl",
        "AddAccessAllowedAce", "SetSecurityDescriptorDacl", "SetSecurityDescriptorGroup",
        "SetSecurityDescriptorOwner", "IsValidSecurityDescriptor", "RevertToSelf", "LocalFree",
        "LocalFree", "FreeSid"}},
      {"AccessCheck", ERROR_ACCESS_DENIED, false, "AccessCheck() failed with error 5\n",
       kAdministratorCalls},
      // The group and owner results are not tested: the test goes on, and AccessCheck
      // refuses a descriptor without them (ERROR_INVALID_SECURITY_DESCR).
      {"SetSecurityDescriptorGroup", ERROR_INVALID_PARAMETER, false,
       "AccessCheck() failed with error 1338\n", kAdministratorCalls},
      {"SetSecurityDescriptorOwner", ERROR_INVALID_PARAMETER, false,
       "AccessCheck() failed with error 1338\n", kAdministratorCalls},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.call);
    sim::SimProfile profile = sim::SimProfile::Windows2000(true);
    profile.securityFailures[c.call] = c.error;
    SptiMachine m(profile);
    m.host().ClearRecords();
    testing::internal::CaptureStdout();
    const bool answer = m.spti().IsAdministrator();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(m.host().SecurityCalls(), c.calls);
  }
}

// Without a thread token the process token is used; AccessCheck refuses a primary token,
// which is reported and answers false.
TEST(IsAdministrator, NoThreadTokenFallsBackToTheProcessToken) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(true);
  profile.securityFailures["OpenThreadToken"] = ERROR_NO_TOKEN;
  SptiMachine m(profile);
  m.host().ClearRecords();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(m.spti().IsAdministrator());
  const std::string output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(output, "AccessCheck() failed with error 1309\n");
  const auto calls = m.host().SecurityCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[1], "OpenThreadToken");
  EXPECT_EQ(calls[2], "OpenProcessToken");
  EXPECT_EQ(calls.back(), "FreeSid");
}

}  // namespace
}  // namespace transport_test
