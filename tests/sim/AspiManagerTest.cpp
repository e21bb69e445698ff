// The simulated ASPI manager: every request code it answers, completion on its own worker
// thread through SRB_EVENT_NOTIFY and SRB_POSTING, and the records of the blocks it got.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "SimHostTestSupport.h"
#include "sim/scsi/HardDisk.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/ScriptedTarget.h"
#include "sim/win32/AspiManager.h"

namespace {

using simtest::AspiLibrary;
using simtest::Bytes;
using simtest::Event;
using simtest::ExecBlock;

const std::vector<BYTE> kInquiry36 = {0x12, 0, 0, 0, 36, 0};
const std::vector<BYTE> kTestUnitReady = {0x00, 0, 0, 0, 0, 0};

// Two ports: port 0 with one bus (8 targets, word alignment), port 1 with two buses
// (16 targets, then 7). Adapters: 0 = (0,0), 1 = (1,0), 2 = (1,1).
sim::SimProfile TwoPorts(std::shared_ptr<sim::ScriptedTarget> drive) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  sim::PortProfile first;
  first.alignmentMask = 0x0001;
  first.maxTargets = 8;
  first.identifier = "FIRST PORT";
  sim::PortProfile second;
  second.buses = 2;
  second.alignmentMask = 0x0003;
  second.maxTargets = 16;
  second.maxTargetsByBus = {16, 7};
  second.identifier = "A SIXTEEN CHARS!";
  profile.AddPort(first).AddPort(second);
  profile.AddDrive('E', {0, 0, 1, 0}, drive);
  profile.AddTarget({1, 1, 0, 0}, std::make_shared<sim::HardDisk>());
  profile.AddTarget({1, 0, 12, 0}, std::make_shared<sim::InquiryDevice>());
  profile.AddTarget({1, 1, 7, 0}, std::make_shared<sim::InquiryDevice>());  // past its 7 targets
  return profile;
}

class AspiManagerTest : public ::testing::Test {
 protected:
  std::shared_ptr<sim::ScriptedTarget> drive_ = std::make_shared<sim::ScriptedTarget>();
  sim::SimHost host_{TwoPorts(drive_)};
  platform::ScopedHost installed_{host_};
  AspiLibrary aspi_;
};

TEST_F(AspiManagerTest, SupportInfoCountsTheBusesOfAllPorts) {
  ASSERT_NE(aspi_.GetSupportInfo, nullptr);
  EXPECT_EQ(aspi_.GetSupportInfo(), (DWORD{SS_COMP} << 8) | 3u);
}

TEST_F(AspiManagerTest, HostAdapterInquiryAnswersEachAdapter) {
  struct Case {
    BYTE haId;
    const char* identifier;
    BYTE mask0, mask1, targets;
  };
  const Case cases[] = {
      {0, "FIRST PORT", 0x01, 0x00, 8},
      {1, "A SIXTEEN CHARS!", 0x03, 0x00, 16},
      {2, "A SIXTEEN CHARS!", 0x03, 0x00, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.haId);
    BYTE block[110];
    std::memset(block, 0xCC, sizeof(block));
    std::memset(block, 0, sizeof(SRB_HAInquiry));
    auto& srb = *reinterpret_cast<SRB_HAInquiry*>(block);
    srb.SRB_Cmd = SC_HA_INQUIRY;
    srb.SRB_HaId = c.haId;
    EXPECT_EQ(aspi_.Send(&srb), SS_COMP);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(srb.HA_Count, 3);
    EXPECT_EQ(srb.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(srb.HA_ManagerId), 16), "SIM ASPI Manager");
    std::string identifier(reinterpret_cast<char*>(srb.HA_Identifier), 16);
    EXPECT_EQ(identifier, std::string(c.identifier).append(16 - std::strlen(c.identifier), '\0'));
    EXPECT_EQ(srb.HA_Unique[0], c.mask0);
    EXPECT_EQ(srb.HA_Unique[1], c.mask1);
    EXPECT_EQ(srb.HA_Unique[2], 0);
    EXPECT_EQ(srb.HA_Unique[3], c.targets);
    // Nothing is written past the published block.
    for (std::size_t i = sizeof(SRB_HAInquiry); i < sizeof(block); ++i) ASSERT_EQ(block[i], 0xCC);
  }
}

TEST_F(AspiManagerTest, MaxTargetsIsConfigurablePerPort) {
  sim::SimProfile profile = sim::SimProfile::Windows95();
  profile.Port(0).maxTargets = 7;
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  SRB_HAInquiry srb{};
  srb.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(host.aspiManager().SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(srb.HA_Unique[3], 7);
}

TEST_F(AspiManagerTest, AdapterOutOfRangeIsRefusedForEveryCode) {
  for (BYTE code : {SC_HA_INQUIRY, SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD, SC_RESET_DEV,
                    SC_GET_DISK_INFO, SC_RESCAN_SCSI_BUS, SC_GETSET_TIMEOUTS}) {
    SCOPED_TRACE(int{code});
    BYTE block[sizeof(SRB_ExecSCSICmd)] = {};
    block[0] = code;
    block[2] = 3;  // == adapter count
    EXPECT_EQ(aspi_.Send(block), SS_INVALID_HA);
    EXPECT_EQ(block[1], SS_INVALID_HA);
  }
}

TEST_F(AspiManagerTest, DeviceTypeComesFromTheDeviceAtTheAddress) {
  struct Case {
    BYTE haId, target;
    BYTE status, type;
  };
  const Case cases[] = {
      {0, 1, SS_COMP, DTYPE_CDROM},   // the scripted drive
      {2, 0, SS_COMP, DTYPE_DASD},    // the hard disk
      {1, 12, SS_COMP, DTYPE_CDROM},  // target 12 on a 16-target adapter
      {0, 2, SS_NO_DEVICE, 0xAA},     // nothing there
      {2, 1, SS_NO_DEVICE, 0xAA},
      {2, 7, SS_NO_DEVICE, 0xAA},  // there, but beyond the adapter's 7 targets
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.haId} << ":" << int{c.target});
    SRB_GDEVBlock srb{};
    srb.SRB_Cmd = SC_GET_DEV_TYPE;
    srb.SRB_HaId = c.haId;
    srb.SRB_Target = c.target;
    srb.SRB_DeviceType = 0xAA;
    EXPECT_EQ(aspi_.Send(&srb), c.status);
    EXPECT_EQ(srb.SRB_Status, c.status);
    EXPECT_EQ(srb.SRB_DeviceType, c.type);
  }
}

TEST_F(AspiManagerTest, ExecuteCompletesLaterThroughTheEvent) {
  std::vector<BYTE> reply(36);
  for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<BYTE>(i + 1);
  drive_->Then(sim::ScriptedStep::Good(reply).Late(60));
  Event event;
  alignas(4) BYTE data[64] = {};
  auto srb = ExecBlock(0, 1, kInquiry36, SRB_DIR_IN | SRB_EVENT_NOTIFY, data, 36, event.handle);

  auto sent = std::chrono::steady_clock::now();
  EXPECT_EQ(aspi_.Send(&srb), SS_PENDING);
  // Read as the manager writes it: its thread may be finishing the block already.
  EXPECT_EQ(std::atomic_ref<BYTE>(srb.SRB_Status).load(std::memory_order_acquire), SS_PENDING);
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), WAIT_TIMEOUT);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(50));
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(srb.SRB_HaStat, HASTAT_OK);
  EXPECT_EQ(srb.SRB_TargStat, STATUS_GOOD);
  EXPECT_EQ(std::vector<BYTE>(data, data + 36), reply);
  EXPECT_EQ(data[36], 0);
  // The late completion is time on the machine's clock as well.
  EXPECT_GE(host_.NowMicros(), 60000u);
}

TEST_F(AspiManagerTest, ExecuteWithPostingCallsThePostRoutineOnTheWorkerThread) {
  static std::atomic<void*> posted{nullptr};
  static std::atomic<BYTE> statusAtPost{0};
  static std::thread::id postThread;
  static Event done;
  posted = nullptr;
  ResetEvent(done.handle);
  struct Post {
    static void Routine(void* srb) {
      postThread = std::this_thread::get_id();
      statusAtPost = static_cast<SRB_ExecSCSICmd*>(srb)->SRB_Status;
      posted = srb;
      SetEvent(done.handle);
    }
  };
  drive_->Then(sim::ScriptedStep::Good().Late(20));
  auto srb = ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_POSTING, nullptr, 0,
                       reinterpret_cast<void*>(&Post::Routine));
  EXPECT_EQ(aspi_.Send(&srb), SS_PENDING);
  ASSERT_EQ(WaitForSingleObject(done.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(posted.load(), &srb);
  EXPECT_EQ(statusAtPost.load(), SS_COMP);
  EXPECT_NE(postThread, std::this_thread::get_id());
}

TEST_F(AspiManagerTest, ExecuteOutcomesFromTheTarget) {
  struct Case {
    const char* name;
    sim::ScriptedStep step;
    BYTE status, haStat, targStat;
  };
  const Case cases[] = {
      {"good", sim::ScriptedStep::Good(), SS_COMP, HASTAT_OK, STATUS_GOOD},
      {"check condition", sim::ScriptedStep::CheckCondition(0x06, 0x29, 0x00), SS_ERR, HASTAT_OK,
       STATUS_CHKCOND},
      {"busy", sim::ScriptedStep::Busy(), SS_ERR, HASTAT_OK, STATUS_BUSY},
      {"no answer", sim::ScriptedStep::NoAnswer(), SS_ERR, HASTAT_SEL_TO, STATUS_GOOD},
      {"scripted status", sim::ScriptedStep::SrbStatus(SS_ABORTED), SS_ABORTED, HASTAT_OK,
       STATUS_GOOD},
      {"adapter error", sim::ScriptedStep::Good().HostStatus(0x12), SS_ERR, 0x12, STATUS_GOOD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drive_->Then(c.step);
    Event event;
    auto srb =
        ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
    EXPECT_EQ(aspi_.Send(&srb), SS_PENDING);
    ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(srb.SRB_Status, c.status);
    EXPECT_EQ(srb.SRB_HaStat, c.haStat);
    EXPECT_EQ(srb.SRB_TargStat, c.targStat);
  }
}

TEST_F(AspiManagerTest, SenseIsCopiedUpToSenseLenOnly) {
  drive_->Then(sim::ScriptedStep::CheckCondition(0x05, 0x24, 0x00));
  Event event;
  auto srb =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
  std::memset(srb.SenseArea, 0xEE, sizeof(srb.SenseArea));
  aspi_.Send(&srb);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  ASSERT_EQ(srb.SRB_Status, SS_ERR);
  EXPECT_EQ(srb.SenseArea[0], 0x70);
  EXPECT_EQ(srb.SenseArea[2], 0x05);
  EXPECT_EQ(srb.SenseArea[12], 0x24);
  EXPECT_EQ(srb.SenseArea[13], 0x00);
  for (std::size_t i = SENSE_LEN; i < sizeof(srb.SenseArea); ++i) ASSERT_EQ(srb.SenseArea[i], 0xEE);
}

TEST_F(AspiManagerTest, MalformedExecuteBlocksAreRefusedAtOnce) {
  alignas(4) BYTE data[0x10004] = {};
  struct Case {
    const char* name;
    BYTE haId, target, cdbLength;
    BYTE* buffer;
    DWORD length;
    BYTE status;
  };
  const Case cases[] = {
      {"no command bytes", 0, 1, 0, data, 0, SS_INVALID_SRB},
      {"command longer than 16", 0, 1, 17, data, 0, SS_INVALID_SRB},
      {"length without buffer", 0, 1, 6, nullptr, 36, SS_INVALID_SRB},
      {"odd buffer, word alignment", 0, 1, 6, data + 1, 36, SS_INVALID_SRB},
      {"longer than the adapter carries", 0, 1, 6, data, 0x10004, SS_BUFFER_TOO_BIG},
      {"no device", 0, 3, 6, data, 36, SS_NO_DEVICE},
      {"target past the adapter's range", 0, 9, 6, data, 36, SS_NO_DEVICE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto srb = ExecBlock(c.haId, c.target, kInquiry36, SRB_DIR_IN, c.buffer, c.length, nullptr);
    srb.SRB_CDBLen = c.cdbLength;
    EXPECT_EQ(aspi_.Send(&srb), c.status);
    EXPECT_EQ(srb.SRB_Status, c.status);
  }
  host_.WaitAspiIdle();
  EXPECT_EQ(drive_->CommandCount(), 0u);
}

TEST_F(AspiManagerTest, EveryBlockIsRecordedAsReceived) {
  Event event;
  alignas(4) BYTE data[36];
  auto srb = ExecBlock(0, 1, kInquiry36, SRB_DIR_IN | SRB_EVENT_NOTIFY, data, 36, event.handle);
  std::vector<BYTE> sent = Bytes(&srb, sizeof(srb));
  SRB_GetDiskInfo disk{};
  disk.SRB_Cmd = SC_GET_DISK_INFO;
  disk.SRB_Target = 1;
  std::vector<BYTE> sentDisk = Bytes(&disk, sizeof(disk));

  aspi_.Send(&srb);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  aspi_.Send(&disk);

  auto requests = host_.AspiRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], sent);
  EXPECT_EQ(requests[1], sentDisk);
  ASSERT_EQ(drive_->CommandCount(), 1u);
  auto command = drive_->Commands()[0];
  EXPECT_EQ(std::vector<BYTE>(command.cdb.begin(), command.cdb.begin() + 6), kInquiry36);
  EXPECT_EQ(command.cdbLength, 6);
  EXPECT_EQ(command.direction, sim::DataDirection::In);
  EXPECT_EQ(command.dataLength, 36u);
}

TEST_F(AspiManagerTest, DiskInfoGivesTheDriveLetterAsANumber) {
  struct Case {
    BYTE haId, target;
    BYTE status, drive;
  };
  const Case cases[] = {
      {0, 1, SS_COMP, 'E' - 'A'},
      {2, 0, SS_COMP, 0xFF},       // a device without a letter
      {0, 5, SS_NO_DEVICE, 0x77},  // nothing there: untouched
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.haId} << ":" << int{c.target});
    BYTE block[74];
    std::memset(block, 0x77, sizeof(block));
    std::memset(block, 0, 10);
    auto& srb = *reinterpret_cast<SRB_GetDiskInfo*>(block);
    srb.SRB_Cmd = SC_GET_DISK_INFO;
    srb.SRB_HaId = c.haId;
    srb.SRB_Target = c.target;
    EXPECT_EQ(aspi_.Send(&srb), c.status);
    EXPECT_EQ(srb.SRB_Int13HDriveInfo, c.drive);
    if (c.status == SS_COMP) {
      EXPECT_EQ(srb.SRB_DriveFlags, 0);
      EXPECT_EQ(srb.SRB_Heads, 0);
      EXPECT_EQ(srb.SRB_Sectors, 0);
    }
    for (std::size_t i = sizeof(SRB_GetDiskInfo); i < sizeof(block); ++i) {
      ASSERT_EQ(block[i], 0x77);
    }
  }
}

TEST_F(AspiManagerTest, TimeoutsAreSetAndReadPerTarget) {
  auto request = [&](BYTE flags, DWORD value, BYTE target = 1) {
    SRB_GetSetTimeouts srb{};
    srb.SRB_Cmd = SC_GETSET_TIMEOUTS;
    srb.SRB_Flags = flags;
    srb.SRB_Target = target;
    srb.SRB_Timeout = value;
    aspi_.Send(&srb);
    return srb;
  };
  EXPECT_EQ(DWORD{request(SRB_DIR_IN, 1234).SRB_Timeout}, 0u);  // none set
  EXPECT_EQ(request(SRB_DIR_OUT, 90).SRB_Status, SS_COMP);
  auto read = request(SRB_DIR_IN, 0);
  EXPECT_EQ(read.SRB_Status, SS_COMP);
  EXPECT_EQ(DWORD{read.SRB_Timeout}, 90u);
  EXPECT_EQ(host_.aspiManager().Timeout({0, 0, 1, 0}), 90u);
  EXPECT_EQ(request(SRB_DIR_OUT, 108000).SRB_Status, SS_COMP);
  EXPECT_EQ(request(SRB_DIR_OUT, 108001).SRB_Status, SS_INVALID_SRB);
  EXPECT_EQ(DWORD{request(SRB_DIR_IN, 0).SRB_Timeout}, 108000u);
  EXPECT_EQ(request(0, 0).SRB_Status, SS_INVALID_SRB);  // neither get nor set
  EXPECT_EQ(request(SRB_DIR_OUT, 10, 4).SRB_Status, SS_NO_DEVICE);
}

TEST_F(AspiManagerTest, ACommandOutlastingItsTimeoutIsAborted) {
  SRB_GetSetTimeouts set{};
  set.SRB_Cmd = SC_GETSET_TIMEOUTS;
  set.SRB_Flags = SRB_DIR_OUT;
  set.SRB_Target = 1;
  set.SRB_Timeout = 4;  // two seconds
  ASSERT_EQ(aspi_.Send(&set), SS_COMP);
  drive_->Then(sim::ScriptedStep::Good().Service(10'000'000));
  Event event;
  auto srb =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
  std::uint64_t before = host_.NowMicros();
  aspi_.Send(&srb);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(srb.SRB_Status, SS_ABORTED);
  EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
  EXPECT_EQ(host_.NowMicros() - before, 2'000'000u);
}

class ResetCounter : public sim::ScsiTarget {
 public:
  sim::ScsiReply Execute(const sim::ScsiRequest&) override { return {}; }
  void Reset() override { ++resets; }
  std::atomic<int> resets{0};
};

TEST_F(AspiManagerTest, ResetCompletesLikeAnExecuteAndReachesTheDevice) {
  auto device = std::make_shared<ResetCounter>();
  host_.PlaceTarget({0, 0, 4, 0}, device);
  Event event;
  SRB_BusDeviceReset srb{};
  srb.SRB_Cmd = SC_RESET_DEV;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  srb.SRB_Target = 4;
  srb.SRB_PostProc = event.handle;
  EXPECT_EQ(aspi_.Send(&srb), SS_PENDING);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(device->resets.load(), 1);
}

TEST_F(AspiManagerTest, AbortTakesAQueuedRequestOutOfTheQueue) {
  drive_->Then(sim::ScriptedStep::Good().Late(100));
  Event first, second;
  auto slow =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, first.handle);
  auto queued =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, second.handle);
  ASSERT_EQ(aspi_.Send(&slow), SS_PENDING);
  ASSERT_EQ(aspi_.Send(&queued), SS_PENDING);
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_ToAbort = &queued;
  EXPECT_EQ(aspi_.Send(&abort), SS_COMP);
  ASSERT_EQ(WaitForSingleObject(second.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(queued.SRB_Status, SS_ABORTED);
  ASSERT_EQ(WaitForSingleObject(first.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(slow.SRB_Status, SS_COMP);
  EXPECT_EQ(drive_->CommandCount(), 1u);  // the aborted one never reached the drive

  abort.SRB_ToAbort = &queued;  // no longer queued
  EXPECT_EQ(aspi_.Send(&abort), SS_ABORT_FAIL);
}

TEST_F(AspiManagerTest, RescanAndUnknownCodes) {
  SRB_RescanPort rescan{};
  rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
  EXPECT_EQ(aspi_.Send(&rescan), SS_COMP);
  SRB_Header unknown{};
  unknown.SRB_Cmd = 0x05;
  EXPECT_EQ(aspi_.Send(&unknown), SS_INVALID_CMD);
  EXPECT_EQ(unknown.SRB_Status, SS_INVALID_CMD);
  EXPECT_EQ(aspi_.Send(nullptr), SS_INVALID_SRB);
}

TEST_F(AspiManagerTest, ASignalCrossingTheCallersResetIsClearedBeforeTheNextRequest) {
  Event event;
  drive_->Then(sim::ScriptedStep::Good());
  auto first =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
  aspi_.Send(&first);
  host_.WaitAspiIdle();
  ASSERT_EQ(first.SRB_Status, SS_COMP);
  // The caller saw the status and did not wait; the event is still signalled when it sends
  // the next request (as if its reset had come before the signal).
  drive_->Then(sim::ScriptedStep::Good().Late(50));
  auto second =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
  ASSERT_EQ(aspi_.Send(&second), SS_PENDING);
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), WAIT_TIMEOUT);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(second.SRB_Status, SS_COMP);
}

TEST_F(AspiManagerTest, EveryExecuteIsTraced) {
  simtest::TraceLog log;
  host_.SetCommandObserver(&log);
  drive_->Then(sim::ScriptedStep::CheckCondition(0x02, 0x3A, 0x00));
  Event event;
  auto srb =
      ExecBlock(0, 1, kTestUnitReady, SRB_DIR_OUT | SRB_EVENT_NOTIFY, nullptr, 0, event.handle);
  aspi_.Send(&srb);
  ASSERT_EQ(WaitForSingleObject(event.handle, 5000), WAIT_OBJECT_0);
  host_.SetCommandObserver(nullptr);
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].opcode, 0x00);
  EXPECT_TRUE(lines[0].delivered);
  EXPECT_EQ(lines[0].scsiStatus, STATUS_CHKCOND);
  EXPECT_EQ(lines[0].senseKey, 0x02);
  EXPECT_EQ(lines[0].asc, 0x3A);
}

TEST(AspiModuleTest, EntriesAndTheirStandInsForOtherCalls) {
  sim::SimHost host(sim::SimProfile::Windows98().WithoutAspiEntries({"GetASPI32Buffer"}));
  platform::ScopedHost installed(host);
  HMODULE module = LoadLibraryA("wnaspi32.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetProcAddress(module, "GetASPI32Buffer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  for (const char* name : {"GetASPI32SupportInfo", "SendASPI32Command", "FreeASPI32Buffer",
                           "TranslateASPI32Address", "IdentifyYourself"}) {
    EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
  }
  auto identify = simtest::Resolve<IdentifyYourselfProc>(module, "IdentifyYourself");
  char text[8];
  std::memset(text, 'x', sizeof(text));
  identify(text, sizeof(text));
  EXPECT_STREQ(text, "SIM ASP");  // cut to the buffer, terminated
  auto support = simtest::Resolve<GetASPI32SupportInfoProc>(module, "GetASPI32SupportInfo");
  EXPECT_EQ(support(), DWORD{SS_COMP} << 8);  // no ports: no adapters
  EXPECT_EQ(host.LoadedModules(), 1);
  FreeLibrary(module);
  EXPECT_EQ(host.LoadedModules(), 0);
}

TEST(AspiModuleTest, BuffersComeFromTheManagerAndGoBackToIt) {
  sim::SimHost host(sim::SimProfile::Windows98());
  platform::ScopedHost installed(host);
  sim::AspiManager& manager = host.aspiManager();
  ASPI32BUFF buffer{};
  buffer.AB_BufLen = 4096;
  buffer.AB_ZeroFill = 1;
  ASSERT_TRUE(manager.GetASPI32Buffer(&buffer));
  ASSERT_NE(buffer.AB_BufPointer, nullptr);
  EXPECT_EQ(buffer.AB_BufPointer[4095], 0);
  EXPECT_TRUE(manager.FreeASPI32Buffer(&buffer));
  EXPECT_FALSE(manager.FreeASPI32Buffer(&buffer));  // not ours any more
  ASPI32BUFF tooBig{};
  tooBig.AB_BufLen = 512 * 1024 + 1;
  EXPECT_FALSE(manager.GetASPI32Buffer(&tooBig));
}

}  // namespace
