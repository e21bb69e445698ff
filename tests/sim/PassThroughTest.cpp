// The simulated ports and drive letters: address, capabilities and bus queries, the direct
// and buffered pass-through calls with their checks, error 87, and the time-out.
#include <gtest/gtest.h>

#include <cstddef>

#include "SimHostTestSupport.h"
#include "sim/scsi/HardDisk.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/ScriptedTarget.h"

namespace {

// The blocks the pass-through layer passes: the published structure, a filler and a
// 32-byte sense buffer; the buffered one with its 64 KiB data area behind.
struct DirectBlock {
  SCSI_PASS_THROUGH_DIRECT spt;
  ULONG filler;
  BYTE sense[32];
};
struct BufferedBlock {
  SCSI_PASS_THROUGH spt;
  ULONG filler;
  BYTE sense[32];
  BYTE data[65536];
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(DirectBlock) == 80);
static_assert(sizeof(BufferedBlock) == 65616);
#endif

constexpr ULONG kSenseOffset = offsetof(DirectBlock, sense);
static_assert(offsetof(BufferedBlock, sense) == kSenseOffset);
constexpr ULONG kDataOffset = offsetof(BufferedBlock, data);

void FillCdb(UCHAR (&cdb)[16], std::initializer_list<BYTE> bytes) {
  std::memset(cdb, 0, sizeof(cdb));
  std::copy(bytes.begin(), bytes.end(), cdb);
}

DirectBlock Direct(UCHAR dataIn, void* buffer, ULONG length, std::initializer_list<BYTE> cdb) {
  DirectBlock block;
  std::memset(&block, 0, sizeof(block));
  block.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  block.spt.CdbLength = static_cast<UCHAR>(cdb.size());
  block.spt.SenseInfoLength = 14;
  block.spt.DataIn = dataIn;
  block.spt.DataTransferLength = length;
  block.spt.TimeOutValue = 30;
  block.spt.DataBuffer = buffer;
  block.spt.SenseInfoOffset = kSenseOffset;
  FillCdb(block.spt.Cdb, cdb);
  return block;
}

std::unique_ptr<BufferedBlock> Buffered(UCHAR dataIn, ULONG length,
                                        std::initializer_list<BYTE> cdb) {
  auto block = std::make_unique<BufferedBlock>();
  std::memset(block.get(), 0, sizeof(BufferedBlock));
  block->spt.Length = sizeof(SCSI_PASS_THROUGH);
  block->spt.CdbLength = static_cast<UCHAR>(cdb.size());
  block->spt.SenseInfoLength = 14;
  block->spt.DataIn = dataIn;
  block->spt.DataTransferLength = length;
  block->spt.TimeOutValue = 30;
  block->spt.DataBufferOffset = kDataOffset;
  block->spt.SenseInfoOffset = kSenseOffset;
  FillCdb(block->spt.Cdb, cdb);
  return block;
}

// An NT machine with: D: the scripted drive on port 0 (word alignment), E: read-only,
// F: refusing the direct call, G: reporting no address, H: a hard disk on port 1 bus 1.
class PassThroughTest : public ::testing::Test {
 protected:
  PassThroughTest() : host_(Profile()), installed_(host_) {}

  sim::SimProfile Profile() {
    sim::SimProfile profile = sim::SimProfile::Windows2000(true);
    profile.Port(0).alignmentMask = 0x0001;
    profile.AddDrive('D', {0, 0, 1, 0}, drive_);
    profile.AddDrive('E', {0, 0, 2, 0}, std::make_shared<sim::InquiryDevice>());
    profile.Letter('E')->readOnly = true;
    profile.AddDrive('F', {0, 0, 3, 0}, refusing_);
    profile.Letter('F')->refusesDirect = true;
    sim::LetterProfile noAddress;
    noAddress.letter = 'G';
    noAddress.reportsAddress = false;
    profile.AddLetter(noAddress);
    profile.AddDrive('H', {1, 1, 0, 0}, std::make_shared<sim::HardDisk>());
    return profile;
  }

  HANDLE Open(const char* name, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    HANDLE handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) opened_.push_back(handle);
    return handle;
  }

  ~PassThroughTest() override {
    for (HANDLE handle : opened_) CloseHandle(handle);
  }

  std::shared_ptr<sim::ScriptedTarget> drive_ = std::make_shared<sim::ScriptedTarget>();
  std::shared_ptr<sim::ScriptedTarget> refusing_ = std::make_shared<sim::ScriptedTarget>();
  sim::SimHost host_;
  platform::ScopedHost installed_;
  std::vector<HANDLE> opened_;
};

TEST_F(PassThroughTest, DevicesOpenPerProfile) {
  struct Case {
    const char* name;
    DWORD access;
    bool opens;
    DWORD error;
  };
  const Case cases[] = {
      {"\\\\.\\SCSI0:", GENERIC_READ | GENERIC_WRITE, true, 0},
      {"\\\\.\\SCSI1:", GENERIC_READ | GENERIC_WRITE, true, 0},
      {"\\\\.\\SCSI2:", GENERIC_READ | GENERIC_WRITE, false, ERROR_FILE_NOT_FOUND},
      {"\\\\.\\D:", GENERIC_READ | GENERIC_WRITE, true, 0},
      {"\\\\.\\d:", GENERIC_READ, true, 0},
      {"\\\\.\\E:", GENERIC_READ | GENERIC_WRITE, false, ERROR_ACCESS_DENIED},
      {"\\\\.\\E:", GENERIC_READ, true, 0},
      {"\\\\.\\G:", GENERIC_READ | GENERIC_WRITE, true, 0},
      {"\\\\.\\Z:", GENERIC_READ, false, ERROR_FILE_NOT_FOUND},
      {"D:", GENERIC_READ, false, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE handle = Open(c.name, c.access);
    EXPECT_EQ(handle != INVALID_HANDLE_VALUE, c.opens);
    if (!c.opens) {
      EXPECT_EQ(GetLastError(), c.error);
    }
  }
  EXPECT_EQ(host_.OpenDevices(), 6);
  for (HANDLE handle : opened_) CloseHandle(handle);
  opened_.clear();
  EXPECT_EQ(host_.OpenDevices(), 0);
  EXPECT_EQ(host_.DeviceOpens().size(), std::size(cases));
}

TEST(PassThroughFamilyTest, The9xFamilyHasNoPassThroughDevices) {
  sim::SimHost host(sim::SimProfile::Windows98().AddDrive('D', {0, 0, 1, 0},
                                                          std::make_shared<sim::InquiryDevice>()));
  platform::ScopedHost installed(host);
  for (const char* name : {"\\\\.\\SCSI0:", "\\\\.\\D:"}) {
    EXPECT_EQ(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << name;
  }
}

TEST_F(PassThroughTest, AddressQueryPerLetter) {
  struct Case {
    const char* name;
    bool answers;
    BYTE port, path, target;
  };
  const Case cases[] = {
      {"\\\\.\\D:", true, 0, 0, 1},
      {"\\\\.\\H:", true, 1, 1, 0},  // hard disks answer as well
      {"\\\\.\\G:", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE handle = Open(c.name, GENERIC_READ);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    SCSI_ADDRESS address;
    std::memset(&address, 0xEE, sizeof(address));
    DWORD returned = 99;
    BOOL ok = DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address),
                              &returned, nullptr);
    EXPECT_EQ(ok != FALSE, c.answers);
    if (!c.answers) continue;
    EXPECT_EQ(returned, 8u);
    EXPECT_EQ(address.Length, 8u);
    EXPECT_EQ(address.PortNumber, c.port);
    EXPECT_EQ(address.PathId, c.path);
    EXPECT_EQ(address.TargetId, c.target);
    EXPECT_EQ(address.Lun, 0);
  }
  HANDLE d = Open("\\\\.\\D:");
  BYTE tooSmall[7];
  EXPECT_FALSE(DeviceIoControl(d, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, tooSmall, sizeof(tooSmall),
                               nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(PassThroughCapabilitiesTest, AlignmentMaskIsThePorts) {
  for (DWORD mask : {0x0u, 0x1u, 0x3u, 0x7u}) {
    SCOPED_TRACE(mask);
    sim::SimProfile profile = sim::SimProfile::WindowsXP();
    profile.Port(0).alignmentMask = mask;
    profile.AddDrive('D', {0, 0, 0, 0}, std::make_shared<sim::InquiryDevice>());
    sim::SimHost host(profile);
    platform::ScopedHost installed(host);
    for (const char* name : {"\\\\.\\D:", "\\\\.\\SCSI0:"}) {
      HANDLE handle =
          CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(handle, INVALID_HANDLE_VALUE);
      IO_SCSI_CAPABILITIES capabilities{};
      DWORD returned = 0;
      ASSERT_TRUE(DeviceIoControl(handle, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities,
                                  sizeof(capabilities), &returned, nullptr));
      EXPECT_EQ(capabilities.AlignmentMask, mask);
      EXPECT_EQ(capabilities.MaximumTransferLength, 0x10000u);
      EXPECT_EQ(returned, sizeof(capabilities));
      CloseHandle(handle);
    }
  }
}

TEST_F(PassThroughTest, PortInquiryDataGivesItsBusesAndUnits) {
  HANDLE port1 = Open("\\\\.\\SCSI1:");
  std::vector<BYTE> out(8192, 0xEE);
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(port1, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, out.data(),
                              static_cast<DWORD>(out.size()), &returned, nullptr));
  EXPECT_EQ(out[0], 2);  // NumberOfBuses
  SCSI_BUS_DATA bus0, bus1;
  std::memcpy(&bus0, &out[offsetof(SCSI_ADAPTER_BUS_INFO, BusData)], sizeof(bus0));
  std::memcpy(&bus1, &out[offsetof(SCSI_ADAPTER_BUS_INFO, BusData) + sizeof(SCSI_BUS_DATA)],
              sizeof(bus1));
  EXPECT_EQ(bus0.NumberOfLogicalUnits, 0);
  EXPECT_EQ(bus1.NumberOfLogicalUnits, 1);
  EXPECT_EQ(bus1.InitiatorBusId, 7);
  ASSERT_LT(bus1.InquiryDataOffset + sizeof(SCSI_INQUIRY_DATA), returned + 1);
  SCSI_INQUIRY_DATA unit;
  std::memcpy(&unit, &out[bus1.InquiryDataOffset], sizeof(unit));
  EXPECT_EQ(unit.PathId, 1);
  EXPECT_EQ(unit.TargetId, 0);
  EXPECT_EQ(unit.NextInquiryDataOffset, 0u);

  HANDLE port0 = Open("\\\\.\\SCSI0:");
  ASSERT_TRUE(DeviceIoControl(port0, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, out.data(),
                              static_cast<DWORD>(out.size()), &returned, nullptr));
  EXPECT_EQ(out[0], 1);
  BYTE tiny[2];
  EXPECT_FALSE(DeviceIoControl(port0, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, tiny, sizeof(tiny),
                               nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(PassThroughTest, DirectCallMovesDataIntoTheCallersBuffer) {
  std::vector<BYTE> answer = {0x05, 0x80, 0x02, 0x02, 0x1F, 0, 0, 0, 'V', 'E', 'N', 'D'};
  drive_->Then(sim::ScriptedStep::Good(answer));
  HANDLE d = Open("\\\\.\\D:");
  alignas(4) BYTE data[36];
  std::memset(data, 0xEE, sizeof(data));
  DirectBlock block = Direct(SCSI_IOCTL_DATA_IN, data, 36, {0x12, 0, 0, 0, 36, 0});
  std::vector<BYTE> sent = simtest::Bytes(&block, sizeof(block));
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), &returned, nullptr));
  EXPECT_EQ(block.spt.ScsiStatus, 0);
  EXPECT_EQ(std::vector<BYTE>(data, data + answer.size()), answer);
  EXPECT_EQ(data[answer.size()], 0xEE);
  EXPECT_EQ(block.spt.DataTransferLength, answer.size());  // the underrun is reported

  auto calls = host_.PassThroughCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].device, "D:");
  EXPECT_EQ(calls[0].code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
  EXPECT_EQ(calls[0].in, sent);
  EXPECT_TRUE(calls[0].succeeded);
  auto commands = drive_->Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].cdb[0], 0x12);
  EXPECT_EQ(commands[0].cdbLength, 6);
  EXPECT_EQ(commands[0].direction, sim::DataDirection::In);
  EXPECT_EQ(commands[0].dataLength, 36u);
}

TEST_F(PassThroughTest, BufferedCallCarriesDataInsideTheBlock) {
  HANDLE d = Open("\\\\.\\D:");
  // Data out: the drive receives the bytes at DataBufferOffset.
  auto out = Buffered(SCSI_IOCTL_DATA_OUT, 12, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 12, 0});
  for (int i = 0; i < 12; ++i) out->data[i] = static_cast<BYTE>(0xA0 + i);
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH, out.get(), sizeof(BufferedBlock),
                              out.get(), sizeof(BufferedBlock), nullptr, nullptr));
  ASSERT_EQ(drive_->CommandCount(), 1u);
  EXPECT_EQ(drive_->Commands()[0].dataOut, std::vector<BYTE>(out->data, out->data + 12));
  // The record keeps the block's start, data included, and the size passed.
  auto calls = host_.PassThroughCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].inSize, sizeof(BufferedBlock));
  ASSERT_EQ(calls[0].in.size(), host_.profile().passThroughRecordBytes);
  EXPECT_EQ(calls[0].in, simtest::Bytes(out.get(), calls[0].in.size()));

  // Data in: the answer lands at DataBufferOffset.
  drive_->Then(sim::ScriptedStep::Good({1, 2, 3, 4, 5, 6, 7, 8}));
  auto in = Buffered(SCSI_IOCTL_DATA_IN, 8, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH, in.get(), sizeof(BufferedBlock), in.get(),
                              sizeof(BufferedBlock), &returned, nullptr));
  EXPECT_EQ(std::vector<BYTE>(in->data, in->data + 8), (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(returned, kDataOffset + 8);

  // Separate input and output buffers: the output receives the answer, the input is unchanged.
  drive_->Then(sim::ScriptedStep::Good({9, 9}));
  auto request = Buffered(SCSI_IOCTL_DATA_IN, 2, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  auto answer = std::make_unique<BufferedBlock>();
  std::memset(answer.get(), 0, sizeof(BufferedBlock));
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH, request.get(), sizeof(BufferedBlock),
                              answer.get(), sizeof(BufferedBlock), nullptr, nullptr));
  EXPECT_EQ(answer->data[0], 9);
  EXPECT_EQ(answer->spt.Cdb[0], 0x25);
  EXPECT_EQ(request->data[0], 0);
}

TEST_F(PassThroughTest, CheckConditionCopiesAtMostSenseInfoLength) {
  drive_->Then(sim::ScriptedStep::CheckCondition(0x02, 0x3A, 0x01));
  HANDLE d = Open("\\\\.\\D:");
  DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0, 0, 0, 0, 0, 0});
  std::memset(block.sense, 0xEE, sizeof(block.sense));
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), nullptr, nullptr));
  EXPECT_EQ(block.spt.ScsiStatus, 0x02);
  EXPECT_EQ(block.sense[0], 0x70);
  EXPECT_EQ(block.sense[2], 0x02);
  EXPECT_EQ(block.sense[12], 0x3A);
  EXPECT_EQ(block.sense[13], 0x01);
  for (std::size_t i = 14; i < sizeof(block.sense); ++i) ASSERT_EQ(block.sense[i], 0xEE);
}

TEST_F(PassThroughTest, MalformedBlocksAreRefusedWithError87) {
  HANDLE d = Open("\\\\.\\D:");
  alignas(4) BYTE data[64];
  struct Case {
    const char* name;
    void (*spoil)(DirectBlock&, BYTE* data);
    DWORD size;
  };
  const Case directCases[] = {
      {"wrong Length", [](DirectBlock& b, BYTE*) { b.spt.Length = 40; }, sizeof(DirectBlock)},
      {"no CDB", [](DirectBlock& b, BYTE*) { b.spt.CdbLength = 0; }, sizeof(DirectBlock)},
      {"CDB of 17", [](DirectBlock& b, BYTE*) { b.spt.CdbLength = 17; }, sizeof(DirectBlock)},
      {"direction 3", [](DirectBlock& b, BYTE*) { b.spt.DataIn = 3; }, sizeof(DirectBlock)},
      {"time-out over 30 hours",
       [](DirectBlock& b, BYTE*) { b.spt.TimeOutValue = 30 * 60 * 60 + 1; }, sizeof(DirectBlock)},
      {"sense past the block",
       [](DirectBlock& b, BYTE*) {
         b.spt.SenseInfoLength = static_cast<UCHAR>(sizeof(DirectBlock) - kSenseOffset + 1);
       },
       sizeof(DirectBlock)},
      {"sense inside the header", [](DirectBlock& b, BYTE*) { b.spt.SenseInfoOffset = 4; },
       sizeof(DirectBlock)},
      {"block shorter than the structure", [](DirectBlock&, BYTE*) {},
       sizeof(SCSI_PASS_THROUGH_DIRECT) - 1},
      {"length without buffer", [](DirectBlock& b, BYTE*) { b.spt.DataBuffer = nullptr; },
       sizeof(DirectBlock)},
      {"odd buffer, word alignment", [](DirectBlock& b, BYTE* d) { b.spt.DataBuffer = d + 1; },
       sizeof(DirectBlock)},
      {"longer than the port carries",
       [](DirectBlock& b, BYTE*) { b.spt.DataTransferLength = 0x10001; }, sizeof(DirectBlock)},
  };
  for (const Case& c : directCases) {
    SCOPED_TRACE(c.name);
    DirectBlock block = Direct(SCSI_IOCTL_DATA_IN, data, 36, {0x12, 0, 0, 0, 36, 0});
    c.spoil(block, data);
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, c.size, &block, c.size,
                                 nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }

  struct BufferedCase {
    const char* name;
    void (*spoil)(BufferedBlock&);
    DWORD size;
  };
  const BufferedCase bufferedCases[] = {
      {"data past the block", [](BufferedBlock& b) { b.spt.DataTransferLength = 65537; },
       sizeof(BufferedBlock)},
      {"data offset inside the header", [](BufferedBlock& b) { b.spt.DataBufferOffset = 8; },
       sizeof(BufferedBlock)},
      {"passed size shorter than the data", [](BufferedBlock&) {}, kDataOffset + 100},
      {"wrong Length", [](BufferedBlock& b) { b.spt.Length = sizeof(SCSI_PASS_THROUGH) + 4; },
       sizeof(BufferedBlock)},
  };
  for (const BufferedCase& c : bufferedCases) {
    SCOPED_TRACE(c.name);
    auto block = Buffered(SCSI_IOCTL_DATA_IN, 36 * 5, {0x12, 0, 0, 0, 180, 0});
    c.spoil(*block);
    EXPECT_FALSE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH, block.get(), c.size, block.get(),
                                 c.size, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(drive_->CommandCount(), 0u);  // nothing malformed reached the drive
  auto calls = host_.PassThroughCalls();
  ASSERT_EQ(calls.size(), std::size(directCases) + std::size(bufferedCases));
  for (const auto& call : calls) {
    EXPECT_FALSE(call.succeeded);
    EXPECT_EQ(call.error, ERROR_INVALID_PARAMETER);
  }
}

TEST_F(PassThroughTest, ALetterRefusingTheDirectCallStillTakesTheBufferedOne) {
  HANDLE f = Open("\\\\.\\F:");
  alignas(4) BYTE data[36];
  DirectBlock direct = Direct(SCSI_IOCTL_DATA_IN, data, 36, {0x12, 0, 0, 0, 36, 0});
  EXPECT_FALSE(DeviceIoControl(f, IOCTL_SCSI_PASS_THROUGH_DIRECT, &direct, sizeof(direct), &direct,
                               sizeof(direct), nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(refusing_->CommandCount(), 0u);

  refusing_->Then(sim::ScriptedStep::Good({0x05}));
  auto buffered = Buffered(SCSI_IOCTL_DATA_IN, 36, {0x12, 0, 0, 0, 36, 0});
  ASSERT_TRUE(DeviceIoControl(f, IOCTL_SCSI_PASS_THROUGH, buffered.get(), sizeof(BufferedBlock),
                              buffered.get(), sizeof(BufferedBlock), nullptr, nullptr));
  EXPECT_EQ(buffered->data[0], 0x05);
  EXPECT_EQ(refusing_->CommandCount(), 1u);
}

TEST_F(PassThroughTest, ACommandOutlastingTimeOutValueFailsAfterTheTimeOut) {
  HANDLE d = Open("\\\\.\\D:");
  for (ULONG timeOut : {30u, 0u}) {  // 0: not set, the pass-through uses 30 seconds
    SCOPED_TRACE(timeOut);
    drive_->Then(sim::ScriptedStep::Good().Service(45'000'000));
    DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0x1B, 0, 0, 0, 1, 0});
    block.spt.TimeOutValue = timeOut;
    std::int64_t calendar = host_.CalendarSeconds();
    std::uint64_t before = host_.NowMicros();
    EXPECT_FALSE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                                 sizeof(block), nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
    EXPECT_EQ(host_.NowMicros() - before, 31'000'000u);  // the time-out and one timer tick
    EXPECT_EQ(host_.CalendarSeconds() - calendar, 31);

    // Within the time-out the same command succeeds, and only its service time passes.
    drive_->Then(sim::ScriptedStep::Good().Service(29'000'000));
    before = host_.NowMicros();
    EXPECT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                                sizeof(block), nullptr, nullptr));
    EXPECT_EQ(host_.NowMicros() - before, 29'000'000u);
  }
}

TEST_F(PassThroughTest, ScriptedFailuresOfTheCall) {
  HANDLE d = Open("\\\\.\\D:");
  struct Case {
    const char* name;
    sim::ScriptedStep step;
    DWORD error;
  };
  const Case cases[] = {
      {"device error", sim::ScriptedStep::IoctlFailure(ERROR_IO_DEVICE), ERROR_IO_DEVICE},
      {"no answer", sim::ScriptedStep::NoAnswer(), ERROR_DEVICE_NOT_CONNECTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drive_->Then(c.step);
    DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                                 sizeof(block), nullptr, nullptr));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(PassThroughTest, APortTakesTheAddressFromTheBlock) {
  auto other = std::make_shared<sim::ScriptedTarget>();
  host_.PlaceTarget({0, 0, 5, 0}, other);
  HANDLE port = Open("\\\\.\\SCSI0:");
  DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0, 0, 0, 0, 0, 0});
  block.spt.TargetId = 5;
  ASSERT_TRUE(DeviceIoControl(port, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), nullptr, nullptr));
  EXPECT_EQ(other->CommandCount(), 1u);
  EXPECT_EQ(drive_->CommandCount(), 0u);

  // A drive letter ignores the block's address: its own device answers.
  HANDLE d = Open("\\\\.\\D:");
  ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), nullptr, nullptr));
  EXPECT_EQ(drive_->CommandCount(), 1u);
  EXPECT_EQ(other->CommandCount(), 1u);
}

TEST_F(PassThroughTest, ALetterWithoutAddressAnswersNoSCSIRequest) {
  HANDLE g = Open("\\\\.\\G:");
  DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(DeviceIoControl(g, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                               sizeof(block), nullptr, nullptr));
  EXPECT_EQ(GetLastError(), sim::kErrorInvalidFunction);
  IO_SCSI_CAPABILITIES capabilities{};
  EXPECT_FALSE(DeviceIoControl(g, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities,
                               sizeof(capabilities), nullptr, nullptr));
}

TEST_F(PassThroughTest, EveryPassThroughCommandIsTraced) {
  simtest::TraceLog log;
  host_.SetCommandObserver(&log);
  drive_->Then(sim::ScriptedStep::Good());
  drive_->Then(sim::ScriptedStep::IoctlFailure(ERROR_IO_DEVICE));
  HANDLE d = Open("\\\\.\\D:");
  DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0x2B, 0, 0, 0, 0, 0});
  DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block, sizeof(block),
                  nullptr, nullptr);
  DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block, sizeof(block),
                  nullptr, nullptr);
  host_.SetCommandObserver(nullptr);
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].device, "D:");
  EXPECT_EQ(lines[0].opcode, 0x2B);
  EXPECT_TRUE(lines[0].delivered);
  EXPECT_FALSE(lines[1].delivered);
  EXPECT_EQ(lines[1].error, ERROR_IO_DEVICE);
}

TEST(PassThroughRecordingTest, WithoutRecordsNothingIsKept) {
  sim::SimProfile profile = sim::SimProfile::Windows2000();
  profile.recordCalls = false;
  auto drive = std::make_shared<sim::ScriptedTarget>();
  profile.AddDrive('D', {0, 0, 0, 0}, drive);
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  HANDLE d =
      CreateFileA("\\\\.\\D:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DirectBlock block = Direct(SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0, {0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), nullptr, nullptr));
  CloseHandle(d);
  EXPECT_EQ(drive->CommandCount(), 1u);
  EXPECT_TRUE(host.PassThroughCalls().empty());
}

}  // namespace
