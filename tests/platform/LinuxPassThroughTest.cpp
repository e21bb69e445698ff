// Both pass-through calls on the Linux host, mapped onto SG_IO and back, over a fake
// kernel that checks the header it receives and answers as a drive would.
#include <gtest/gtest.h>

#include <scsi/sg.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/LinuxHost.h"
#include "platform/win32.h"
#include "tests/platform/FakeKernel.h"
#include "tests/platform/FakeSysfs.h"

namespace {

using platform::testing::DriveAnswer;
using platform::testing::FakeKernel;
using platform::testing::FakeSysfs;
using platform::testing::TemporaryFolder;

constexpr DWORD kDataArea = 4096;

// The pass-through block as callers lay it out: the structure, a filler, the sense buffer,
// and for the buffered call the data area.
template <class Spt>
struct Block {
  Spt spt;
  ULONG filler;
  UCHAR sense[32];
  UCHAR data[kDataArea];
};
constexpr DWORD kSenseOffset = offsetof(Block<SCSI_PASS_THROUGH_DIRECT>, sense);
constexpr DWORD kDataOffset = offsetof(Block<SCSI_PASS_THROUGH_DIRECT>, data);
static_assert(kSenseOffset == offsetof(Block<SCSI_PASS_THROUGH>, sense));

class Recorder : public platform::CommandObserver {
 public:
  struct Seen {
    std::string device;
    std::vector<BYTE> cdb;
    DWORD dataLength;
    UCHAR direction;
    bool delivered;
    DWORD error;
    BYTE status, key, asc, ascq;
    double milliseconds;
  };
  std::vector<Seen> seen;
  void OnCommand(const platform::CommandTrace& t) override {
    seen.push_back({t.device, std::vector<BYTE>(t.cdb, t.cdb + t.cdbLength), t.dataLength,
                    t.direction, t.delivered, t.error, t.scsiStatus, t.senseKey, t.asc, t.ascq,
                    t.milliseconds});
  }
};

class PassThroughTest : public ::testing::TestWithParam<bool> {  // true: the direct call
 protected:
  void SetUp() override {
    FakeSysfs tree(folder.path());
    tree.AddHost(0);
    tree.AddDevice("0:0:0:0");
    tree.AddDrive(0, "0:0:0:0", "511", "128");
    node = &kernel.nodes[folder.path() + "/dev/sr0"];
    platform::LinuxHostOptions options;
    options.root = folder.path();
    options.system = &kernel;
    options.notice = [this](const std::string& text) { notices.push_back(text); };
    host = std::make_unique<platform::LinuxHost>(std::move(options));
    host->SetCommandObserver(&recorder);
    installed = std::make_unique<platform::ScopedHost>(*host);
    drive = CreateFileA("\\\\.\\D:", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
  }
  void TearDown() override { CloseHandle(drive); }

  bool direct() const { return GetParam(); }

  struct Outcome {
    BOOL ok;
    DWORD error;
    UCHAR scsiStatus;
    ULONG transferred;
    std::vector<BYTE> sense;
    BYTE* data;  // where the command's data is (caller buffer or data area)
  };

  // Sends one command the way the transport does: the block as input and output, 80 bytes
  // (direct) or the whole block (buffered).
  // Fills `block` for `cdb`: the data at the caller's buffer (direct) or at kDataOffset.
  template <class Spt>
  void Fill(Block<Spt>& block, const std::vector<BYTE>& cdb, UCHAR dataIn, ULONG length,
            BYTE* callerBuffer) {
    std::memset(&block, 0, sizeof(block));
    block.spt.Length = sizeof(Spt);
    block.spt.CdbLength = static_cast<UCHAR>(cdb.size());
    block.spt.SenseInfoLength = 14;
    block.spt.DataIn = dataIn;
    block.spt.DataTransferLength = length;
    block.spt.TimeOutValue = timeOut;
    block.spt.SenseInfoOffset = kSenseOffset;
    std::memcpy(block.spt.Cdb, cdb.data(), cdb.size());
    if constexpr (std::is_same_v<Spt, SCSI_PASS_THROUGH_DIRECT>) {
      block.spt.DataBuffer = callerBuffer;
    } else {
      block.spt.DataBufferOffset = kDataOffset;
    }
  }

  template <class Spt>
  Outcome Send(Block<Spt>& block, const std::vector<BYTE>& cdb, UCHAR dataIn, ULONG length,
               BYTE* callerBuffer, DWORD code) {
    Fill(block, cdb, dataIn, length, callerBuffer);
    const DWORD size = code == IOCTL_SCSI_PASS_THROUGH_DIRECT ? kDataOffset : sizeof(block);
    DWORD returned = 0;
    SetLastError(ERROR_SUCCESS);
    const BOOL ok = DeviceIoControl(drive, code, &block, size, &block, size, &returned, nullptr);
    return {ok,
            ok ? ERROR_SUCCESS : GetLastError(),
            block.spt.ScsiStatus,
            block.spt.DataTransferLength,
            std::vector<BYTE>(block.sense, block.sense + sizeof(block.sense)),
            code == IOCTL_SCSI_PASS_THROUGH_DIRECT ? callerBuffer : block.data};
  }

  Outcome Send(const std::vector<BYTE>& cdb, UCHAR dataIn, ULONG length) {
    if (direct()) {
      return Send(directBlock, cdb, dataIn, length, caller, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    }
    return Send(bufferedBlock, cdb, dataIn, length, nullptr, IOCTL_SCSI_PASS_THROUGH);
  }

  TemporaryFolder folder;
  FakeKernel kernel;
  platform::testing::FakeNode* node = nullptr;
  Recorder recorder;
  std::vector<std::string> notices;
  std::unique_ptr<platform::LinuxHost> host;
  std::unique_ptr<platform::ScopedHost> installed;
  HANDLE drive = INVALID_HANDLE_VALUE;
  Block<SCSI_PASS_THROUGH_DIRECT> directBlock;
  Block<SCSI_PASS_THROUGH> bufferedBlock;
  BYTE caller[kDataArea] = {};
  ULONG timeOut = 30;  // TimeOutValue of the blocks Send builds
};

const std::vector<BYTE> kInquiry = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
const std::vector<BYTE> kTestUnitReady = {0x00, 0, 0, 0, 0, 0};
const std::vector<BYTE> kModeSelect10 = {0x55, 0x10, 0, 0, 0, 0, 0, 0, 0x10, 0};

TEST_P(PassThroughTest, GoodStatusWithDataReachesTheCallerAndTheHeaderIsComplete) {
  std::vector<BYTE> reply(36);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<BYTE>(0x40 + i);
  reply[0] = 0x05;  // CD-ROM
  node->answers.push_back(DriveAnswer::Good(reply));
  const Outcome outcome = Send(kInquiry, SCSI_IOCTL_DATA_IN, 36);

  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.scsiStatus, 0);
  EXPECT_EQ(outcome.transferred, 36u);
  EXPECT_EQ(std::memcmp(outcome.data, reply.data(), 36), 0);

  ASSERT_EQ(kernel.received.size(), 1u);
  const sg_io_hdr_t& h = kernel.received[0].header;
  EXPECT_EQ(h.interface_id, 'S');
  EXPECT_EQ(h.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(h.dxfer_len, 36u);
  EXPECT_EQ(h.cmd_len, 6);
  EXPECT_EQ(kernel.received[0].cdb, kInquiry);
  EXPECT_EQ(h.timeout, 30000u);  // seconds to milliseconds
  EXPECT_NE(h.sbp, nullptr);
  EXPECT_EQ(h.mx_sb_len, 14);
  EXPECT_EQ(h.iovec_count, 0);
  // Direct: straight into the caller's buffer; buffered: into the block's data area.
  EXPECT_EQ(h.dxferp,
            direct() ? static_cast<void*>(caller) : static_cast<void*>(bufferedBlock.data));
}

TEST_P(PassThroughTest, TimeOutZeroMeansThirtySeconds) {
  node->answers.push_back(DriveAnswer::Good({}));
  timeOut = 0;
  ASSERT_TRUE(Send(kTestUnitReady, SCSI_IOCTL_DATA_UNSPECIFIED, 0).ok);
  ASSERT_EQ(kernel.received.size(), 1u);
  EXPECT_EQ(kernel.received[0].header.timeout, 30000u);
}

TEST_P(PassThroughTest, ShortReplyAndUnspecifiedDirection) {
  // A 20-byte reply to a 36-byte request: the amount moved comes back in the block.
  node->answers.push_back(DriveAnswer::Good(std::vector<BYTE>(20, 0x11)));
  Outcome outcome = Send(kInquiry, SCSI_IOCTL_DATA_IN, 36);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.transferred, 20u);

  // No direction given with data: sent both ways.
  outcome = Send(kInquiry, SCSI_IOCTL_DATA_UNSPECIFIED, 16);
  ASSERT_TRUE(outcome.ok);
  ASSERT_EQ(kernel.received.size(), 2u);
  EXPECT_EQ(kernel.received[1].header.dxfer_direction, SG_DXFER_TO_FROM_DEV);
  EXPECT_EQ(kernel.received[1].header.dxfer_len, 16u);
}

TEST_P(PassThroughTest, CheckConditionIsADeliveredCommandWithSense) {
  node->answers.push_back(DriveAnswer::Check(0x02, 0x3A, 0x00));
  const Outcome outcome = Send(kTestUnitReady, SCSI_IOCTL_DATA_OUT, 0);

  ASSERT_TRUE(outcome.ok);  // the command reached the drive; the drive said no
  EXPECT_EQ(outcome.scsiStatus, 0x02);
  // 14 bytes asked for, 14 written; the rest of the sense buffer untouched (zero).
  const std::vector<BYTE> expected = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00};
  EXPECT_EQ(std::vector<BYTE>(outcome.sense.begin(), outcome.sense.begin() + 14), expected);
  EXPECT_EQ(outcome.sense[14], 0);
  ASSERT_EQ(kernel.received.size(), 1u);
  EXPECT_EQ(kernel.received[0].header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(kernel.received[0].header.dxfer_len, 0u);
}

TEST_P(PassThroughTest, DataOutCarriesTheCallersBytes) {
  std::vector<BYTE> list(16);
  for (size_t i = 0; i < list.size(); ++i) list[i] = static_cast<BYTE>(0xA0 + i);
  if (direct()) {
    std::memcpy(caller, list.data(), list.size());
    const Outcome outcome = Send(directBlock, kModeSelect10, SCSI_IOCTL_DATA_OUT, 16, caller,
                                 IOCTL_SCSI_PASS_THROUGH_DIRECT);
    ASSERT_TRUE(outcome.ok);
  } else {
    // Send() clears the block, so the data area is filled through a second block.
    std::memset(&bufferedBlock, 0, sizeof(bufferedBlock));
    bufferedBlock.spt.Length = sizeof(SCSI_PASS_THROUGH);
    bufferedBlock.spt.CdbLength = 10;
    bufferedBlock.spt.DataIn = SCSI_IOCTL_DATA_OUT;
    bufferedBlock.spt.DataTransferLength = 16;
    bufferedBlock.spt.TimeOutValue = 30;
    bufferedBlock.spt.DataBufferOffset = kDataOffset;
    bufferedBlock.spt.SenseInfoOffset = kSenseOffset;
    bufferedBlock.spt.SenseInfoLength = 14;
    std::memcpy(bufferedBlock.spt.Cdb, kModeSelect10.data(), kModeSelect10.size());
    std::memcpy(bufferedBlock.data, list.data(), list.size());
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH, &bufferedBlock,
                                sizeof(bufferedBlock), &bufferedBlock, sizeof(bufferedBlock),
                                &returned, nullptr));
  }
  ASSERT_EQ(kernel.received.size(), 1u);
  EXPECT_EQ(kernel.received[0].header.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(kernel.received[0].header.dxfer_len, 16u);
  EXPECT_EQ(kernel.received[0].cdb, kModeSelect10);
  EXPECT_EQ(kernel.received[0].dataOut, list);
}

TEST_P(PassThroughTest, TransportFailuresFailTheCallWithAFittingError) {
  struct Case {
    const char* what;
    DriveAnswer answer;
    DWORD error;
  };
  const Case cases[] = {
      {"host error", DriveAnswer::Fail(DriveAnswer::kHostError), ERROR_IO_DEVICE},
      {"host time-out", DriveAnswer::Fail(DriveAnswer::kHostTimeOut), ERROR_SEM_TIMEOUT},
      {"driver time-out", DriveAnswer::Fail(DriveAnswer::kDriverTimeOut), ERROR_SEM_TIMEOUT},
      {"EPERM", DriveAnswer::Errno(EPERM), ERROR_ACCESS_DENIED},
      {"EACCES", DriveAnswer::Errno(EACCES), ERROR_ACCESS_DENIED},
      {"ETIMEDOUT", DriveAnswer::Errno(ETIMEDOUT), ERROR_SEM_TIMEOUT},
      {"ENOMEDIUM", DriveAnswer::Errno(ENOMEDIUM), ERROR_NO_MEDIA_IN_DRIVE},
      {"EIO", DriveAnswer::Errno(EIO), ERROR_IO_DEVICE},
      {"ENODEV", DriveAnswer::Errno(ENODEV), ERROR_DEVICE_NOT_CONNECTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    node->answers.push_back(c.answer);
    const Outcome outcome = Send(kInquiry, SCSI_IOCTL_DATA_IN, 36);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(outcome.scsiStatus, 0);  // nothing reads as a target status
  }
  EXPECT_EQ(kernel.received.size(), std::size(cases));
}

TEST_P(PassThroughTest, BadBlocksAreRefusedBeforeTheKernel) {
  struct Case {
    const char* what;
    void (*spoil)(SCSI_PASS_THROUGH_DIRECT&, DWORD size, bool direct);
  };
  const Case cases[] = {
      {"length field", [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.Length = 44 + 100; }},
      {"no CDB", [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.CdbLength = 0; }},
      {"CDB over 16", [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.CdbLength = 17; }},
      {"direction", [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.DataIn = 3; }},
      {"sense inside the header",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.SenseInfoOffset = 4; }},
      {"sense past the block",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.SenseInfoOffset = 70000; }},
      {"sense longer than the block",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD size, bool) { s.SenseInfoOffset = size - 4; }},
      {"data area past the block / no data buffer",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD size, bool direct) {
         s.DataBuffer =
             direct ? nullptr : reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(size - 8));
       }},
      {"data area inside the header",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool direct) {
         if (!direct)
           s.DataBuffer = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(8));
         else
           s.CdbLength = 20;
       }},
      {"over the device limit",
       [](SCSI_PASS_THROUGH_DIRECT& s, DWORD, bool) { s.DataTransferLength = 128 * 1024 + 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kernel.received.clear();
    Block<SCSI_PASS_THROUGH_DIRECT>& block = directBlock;  // same layout for both calls
    std::memset(&block, 0, sizeof(block));
    block.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    block.spt.CdbLength = 6;
    block.spt.SenseInfoLength = 14;
    block.spt.SenseInfoOffset = kSenseOffset;
    block.spt.DataIn = SCSI_IOCTL_DATA_IN;
    block.spt.DataTransferLength = 36;
    block.spt.TimeOutValue = 30;
    block.spt.DataBuffer = direct() ? static_cast<PVOID>(caller)
                                    : reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(kDataOffset));
    std::memcpy(block.spt.Cdb, kInquiry.data(), kInquiry.size());
    const DWORD size = direct() ? kDataOffset : sizeof(block);
    c.spoil(block.spt, size, direct());
    DWORD returned = 0;
    EXPECT_FALSE(
        DeviceIoControl(drive, direct() ? IOCTL_SCSI_PASS_THROUGH_DIRECT : IOCTL_SCSI_PASS_THROUGH,
                        &block, size, &block, size, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(kernel.received.empty());
  }
}

// A buffered call's data area may end exactly at the end of the block; a byte further is
// refused before the kernel.
TEST_P(PassThroughTest, BufferedDataEndingAtTheBlockEndIsCarried) {
  if (direct()) GTEST_SKIP() << "the buffered call only";
  for (const ULONG over : {0u, 1u}) {
    SCOPED_TRACE(over);
    kernel.received.clear();
    if (over == 0) node->answers.push_back(DriveAnswer::Good(std::vector<BYTE>(36, 0x5A)));
    Block<SCSI_PASS_THROUGH>& block = bufferedBlock;
    Fill(block, kInquiry, SCSI_IOCTL_DATA_IN, 36, nullptr);
    const DWORD size = sizeof(block);
    block.spt.DataBufferOffset = size - 36 + over;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH, &block, size, &block, size,
                                    &returned, nullptr);
    EXPECT_EQ(ok != FALSE, over == 0);
    EXPECT_EQ(kernel.received.size(), over == 0 ? 1u : 0u);
    if (over == 0) {
      EXPECT_EQ(reinterpret_cast<BYTE*>(&block)[size - 1], 0x5A);
    }
  }
}

// The queue limits are read when the drive opens, never per command: with the sysfs folder
// gone afterwards the device limit still holds and commands still go through.
TEST_P(PassThroughTest, QueueLimitsAreLearntWhenTheDriveOpens) {
  std::filesystem::remove_all(folder.path() + "/sys/block/sr0/queue");
  node->answers.push_back(DriveAnswer::Good(std::vector<BYTE>(36, 0x05)));
  EXPECT_TRUE(Send(kInquiry, SCSI_IOCTL_DATA_IN, 36).ok);
  const Outcome overLong = Send(kInquiry, SCSI_IOCTL_DATA_IN, 128 * 1024 + 1);
  EXPECT_FALSE(overLong.ok);
  EXPECT_EQ(overLong.error, ERROR_INVALID_PARAMETER);
  EXPECT_EQ(kernel.received.size(), 1u);
}

TEST_P(PassThroughTest, BlockShorterThanTheStructureIsRefused) {
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(drive,
                               direct() ? IOCTL_SCSI_PASS_THROUGH_DIRECT : IOCTL_SCSI_PASS_THROUGH,
                               &directBlock, sizeof(SCSI_PASS_THROUGH_DIRECT) - 1, &directBlock,
                               sizeof(SCSI_PASS_THROUGH_DIRECT) - 1, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(kernel.received.empty());
}

TEST_P(PassThroughTest, ObserverSeesEveryCommand) {
  node->answers.push_back(DriveAnswer::Good(std::vector<BYTE>(36, 0x05)));
  node->answers.push_back(DriveAnswer::Check(0x06, 0x28, 0x00));
  node->answers.push_back(DriveAnswer::Fail(DriveAnswer::kHostError));
  Send(kInquiry, SCSI_IOCTL_DATA_IN, 36);
  Send(kTestUnitReady, SCSI_IOCTL_DATA_OUT, 0);
  Send(kTestUnitReady, SCSI_IOCTL_DATA_OUT, 0);
  Send(kInquiry, SCSI_IOCTL_DATA_IN, 200000);  // refused before the kernel

  ASSERT_EQ(recorder.seen.size(), 4u);
  const auto& good = recorder.seen[0];
  EXPECT_EQ(good.device, "/dev/sr0");
  EXPECT_EQ(good.cdb, kInquiry);
  EXPECT_EQ(good.dataLength, 36u);
  EXPECT_EQ(good.direction, SCSI_IOCTL_DATA_IN);
  EXPECT_TRUE(good.delivered);
  EXPECT_EQ(good.status, 0);
  EXPECT_GE(good.milliseconds, 0.0);
  const auto& check = recorder.seen[1];
  EXPECT_TRUE(check.delivered);
  EXPECT_EQ(check.status, 2);
  EXPECT_EQ(check.key, 0x06);
  EXPECT_EQ(check.asc, 0x28);
  EXPECT_EQ(check.ascq, 0x00);
  EXPECT_FALSE(recorder.seen[2].delivered);
  EXPECT_EQ(recorder.seen[2].error, ERROR_IO_DEVICE);
  EXPECT_FALSE(recorder.seen[3].delivered);
  EXPECT_EQ(recorder.seen[3].error, ERROR_INVALID_PARAMETER);
  EXPECT_EQ(recorder.seen[3].dataLength, 200000u);
}

INSTANTIATE_TEST_SUITE_P(BothCalls, PassThroughTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Direct" : "Buffered";
                         });

// A read-only drive (a user outside the cdrom group): reading commands pass, the kernel
// refuses MODE SELECT, and the caller sees a failed call with access denied, once
// explained to the user.
TEST(ReadOnlyDriveTest, RefusedCommandFailsWithAccessDeniedAndIsExplained) {
  TemporaryFolder folder;
  FakeSysfs tree(folder.path());
  tree.AddHost(0);
  tree.AddDevice("0:0:0:0");
  tree.AddDrive(0, "0:0:0:0");
  FakeKernel kernel;
  kernel.nodes[folder.path() + "/dev/sr0"].writable = false;
  std::vector<std::string> notices;
  platform::LinuxHostOptions options;
  options.root = folder.path();
  options.system = &kernel;
  options.notice = [&](const std::string& text) { notices.push_back(text); };
  platform::LinuxHost host(std::move(options));
  platform::ScopedHost installed(host);

  ASSERT_EQ(
      CreateFileA("\\\\.\\D:", GENERIC_READ | GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  HANDLE drive =
      CreateFileA("\\\\.\\D:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(drive, INVALID_HANDLE_VALUE);

  auto send = [&](const std::vector<BYTE>& cdb, UCHAR dataIn, ULONG length) {
    static BYTE buffer[64];
    Block<SCSI_PASS_THROUGH_DIRECT> block{};
    block.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    block.spt.CdbLength = static_cast<UCHAR>(cdb.size());
    block.spt.DataIn = dataIn;
    block.spt.DataTransferLength = length;
    block.spt.TimeOutValue = 30;
    block.spt.DataBuffer = buffer;
    block.spt.SenseInfoOffset = kSenseOffset;
    block.spt.SenseInfoLength = 14;
    std::memcpy(block.spt.Cdb, cdb.data(), cdb.size());
    DWORD returned = 0;
    return DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, kDataOffset, &block,
                           kDataOffset, &returned, nullptr);
  };
  EXPECT_TRUE(send(kInquiry, SCSI_IOCTL_DATA_IN, 36));
  EXPECT_FALSE(send(kModeSelect10, SCSI_IOCTL_DATA_OUT, 16));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  const std::vector<BYTE> setCdSpeed = {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(send(setCdSpeed, SCSI_IOCTL_DATA_OUT, 0));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(notices.size(), 1u);  // explained once, not per command
  EXPECT_NE(notices[0].find("cdrom"), std::string::npos);
  EXPECT_NE(notices[0].find("/dev/sr0"), std::string::npos);
  CloseHandle(drive);
}

}  // namespace
