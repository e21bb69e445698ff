// The Linux host's ports, drive letters, addresses and capabilities over a fake sysfs tree
// and a fake kernel.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstring>
#include <string>

#include "platform/LinuxHost.h"
#include "platform/LinuxSysfs.h"
#include "platform/win32.h"
#include "tests/platform/FakeKernel.h"
#include "tests/platform/FakeSysfs.h"

namespace {

using platform::testing::FakeKernel;
using platform::testing::FakeSysfs;
using platform::testing::TemporaryFolder;

// Hosts 0, 1 and 3 (numbers need not be contiguous): a hard disk on 0, two channels on 1
// with sr0 on channel 0, sr1 on host 3 target 1.
class LinuxHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    FakeSysfs tree(folder.path());
    tree.AddHost(0);
    tree.AddHost(1);
    tree.AddHost(3);
    tree.AddDevice("0:0:0:0");
    tree.AddDevice("1:0:0:0");
    tree.AddDevice("1:1:0:0");
    tree.AddDevice("3:0:1:0");
    tree.AddDrive(0, "1:0:0:0", "511", "128");
    tree.AddDrive(1, "3:0:1:0", "3", "1280");
    kernel.nodes[folder.path() + "/dev/sr0"] = {};
    kernel.nodes[folder.path() + "/dev/sr1"] = {};
    platform::LinuxHostOptions options;
    options.root = folder.path();
    options.system = &kernel;
    options.configHome = folder.path() + "/config";
    options.notice = [this](const std::string& text) { notices.push_back(text); };
    host = std::make_unique<platform::LinuxHost>(std::move(options));
    installed = std::make_unique<platform::ScopedHost>(*host);
  }

  HANDLE Open(const char* name, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }

  TemporaryFolder folder;
  FakeKernel kernel;
  std::vector<std::string> notices;
  std::unique_ptr<platform::LinuxHost> host;
  std::unique_ptr<platform::ScopedHost> installed;
};

BYTE BusCount(HANDLE port) {
  BYTE info[8192];
  std::memset(info, 0xCC, sizeof(info));
  DWORD returned = 0;
  if (!DeviceIoControl(port, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, info, sizeof(info), &returned,
                       nullptr)) {
    return 0xEE;
  }
  return info[0];
}

TEST_F(LinuxHostTest, PortsAreTheHostsInAscendingOrder) {
  struct Case {
    const char* name;
    BYTE buses;  // channels of the host behind the port
  };
  const Case cases[] = {{"\\\\.\\SCSI0:", 1}, {"\\\\.\\SCSI1:", 2}, {"\\\\.\\SCSI2:", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE port = Open(c.name);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(BusCount(port), c.buses);
    CloseHandle(port);
  }
  // The port loop ends at the first port that does not open.
  EXPECT_EQ(Open("\\\\.\\SCSI3:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(LinuxHostTest, PortWithoutDevicesHasNoBusesAndSmallBuffersAreRefused) {
  FakeSysfs(folder.path()).AddHost(7);
  HANDLE port = Open("\\\\.\\SCSI3:");
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_EQ(BusCount(port), 0);
  CloseHandle(port);

  port = Open("\\\\.\\SCSI1:");
  BYTE tiny[4];
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(port, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, tiny, sizeof(tiny),
                               &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  CloseHandle(port);
}

TEST_F(LinuxHostTest, DriveLettersAreTheOpticalDrivesFromD) {
  struct Case {
    const char* name;
    bool opens;
    const char* node;
  };
  const Case cases[] = {{"\\\\.\\C:", false, ""},        {"\\\\.\\D:", true, "/dev/sr0"},
                        {"\\\\.\\e:", true, "/dev/sr1"}, {"\\\\.\\F:", false, "/dev/sr2"},
                        {"\\\\.\\A:", false, ""},        {"D:", false, ""},
                        {"\\\\.\\DD:", false, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kernel.openFlags.clear();
    HANDLE handle = Open(c.name);
    EXPECT_EQ(handle != INVALID_HANDLE_VALUE, c.opens);
    if (c.opens) {
      ASSERT_EQ(kernel.openFlags.size(), 1u);
      EXPECT_EQ(kernel.openFlags[0] & O_ACCMODE, O_RDWR);
      EXPECT_NE(kernel.openFlags[0] & O_NONBLOCK, 0);  // opens without a disc
      CloseHandle(handle);
    } else {
      EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    }
  }
  EXPECT_EQ(platform::LinuxHost::DriveNode('D'), "/dev/sr0");
  EXPECT_EQ(platform::LinuxHost::DriveNode('E'), "/dev/sr1");
  EXPECT_EQ(platform::LinuxHost::DriveNode('C'), "");
  EXPECT_EQ(kernel.openCount(), 0);  // every handle closed its node
}

TEST_F(LinuxHostTest, ReadOnlyDriveRefusesTheWriteOpenThenOpensForReading) {
  kernel.nodes[folder.path() + "/dev/sr0"].writable = false;
  EXPECT_EQ(Open("\\\\.\\D:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  kernel.openFlags.clear();
  HANDLE handle = Open("\\\\.\\D:", GENERIC_READ);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(kernel.openFlags[0] & O_ACCMODE, O_RDONLY);
  CloseHandle(handle);
}

TEST_F(LinuxHostTest, AddressesComeFromTheSysfsLink) {
  struct Case {
    const char* name;
    SCSI_ADDRESS expected;
  };
  const Case cases[] = {{"\\\\.\\D:", {8, 1, 0, 0, 0}},   // host 1 is port 1
                        {"\\\\.\\E:", {8, 2, 0, 1, 0}}};  // host 3 is port 2
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE handle = Open(c.name);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    SCSI_ADDRESS address;
    std::memset(&address, 0xCC, sizeof(address));
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                sizeof(address), &returned, nullptr));
    EXPECT_EQ(returned, sizeof(SCSI_ADDRESS));
    EXPECT_EQ(address.Length, c.expected.Length);
    EXPECT_EQ(address.PortNumber, c.expected.PortNumber);
    EXPECT_EQ(address.PathId, c.expected.PathId);
    EXPECT_EQ(address.TargetId, c.expected.TargetId);
    EXPECT_EQ(address.Lun, c.expected.Lun);
    CloseHandle(handle);
  }
}

TEST_F(LinuxHostTest, AddressFallsBackToTheIdLunRequest) {
  std::filesystem::remove(folder.path() + "/sys/block/sr0/device");
  FakeSysfs(folder.path()).AddDrive(2, "9:9:9:9");  // keeps the tree's other drives
  std::filesystem::remove(folder.path() + "/sys/block/sr2/device");
  auto& node = kernel.nodes[folder.path() + "/dev/sr0"];
  node.answersIdLun = true;
  node.idLun = (3 << 24) | (0 << 16) | (2 << 8) | 5;  // host 3, channel 0, lun 2, target 5
  HANDLE handle = Open("\\\\.\\D:");
  SCSI_ADDRESS address{};
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address),
                              &returned, nullptr));
  EXPECT_EQ(address.PortNumber, 2);
  EXPECT_EQ(address.PathId, 0);
  EXPECT_EQ(address.TargetId, 5);
  EXPECT_EQ(address.Lun, 2);
  CloseHandle(handle);

  // No link and no answer: the drive reports no address (and gets no row).
  kernel.nodes[folder.path() + "/dev/sr2"] = {};
  handle = Open("\\\\.\\F:");
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                               sizeof(address), &returned, nullptr));
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  CloseHandle(handle);
}

TEST_F(LinuxHostTest, DriveOnAnUnlistedHostHasNoAddress) {
  FakeSysfs(folder.path()).AddDrive(2, "5:0:0:0");
  kernel.nodes[folder.path() + "/dev/sr2"] = {};
  HANDLE handle = Open("\\\\.\\F:");
  SCSI_ADDRESS address{};
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                               sizeof(address), &returned, nullptr));
  CloseHandle(handle);
}

TEST_F(LinuxHostTest, CapabilitiesComeFromTheQueueLimits) {
  struct Case {
    const char* name;
    ULONG alignment, maximumTransfer;
  };
  const Case cases[] = {{"\\\\.\\D:", 511, 128 * 1024}, {"\\\\.\\E:", 3, 1280 * 1024}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE handle = Open(c.name);
    IO_SCSI_CAPABILITIES capabilities{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(handle, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities,
                                sizeof(capabilities), &returned, nullptr));
    EXPECT_EQ(returned, 24u);
    EXPECT_EQ(capabilities.Length, 24u);
    EXPECT_EQ(capabilities.AlignmentMask, c.alignment);
    EXPECT_EQ(capabilities.MaximumTransferLength, c.maximumTransfer);
    CloseHandle(handle);
  }
}

TEST_F(LinuxHostTest, CapabilitiesFailWithoutQueueLimits) {
  std::filesystem::remove(folder.path() + "/sys/block/sr0/queue/dma_alignment");
  HANDLE handle = Open("\\\\.\\D:");
  IO_SCSI_CAPABILITIES capabilities{};
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities,
                               sizeof(capabilities), &returned, nullptr));
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities, 8,
                               &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  CloseHandle(handle);
}

TEST(LinuxHostVersionTest, IsWindows2000FamilyWithoutLibraries) {
  platform::LinuxHost host;
  platform::ScopedHost installed(host);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  char directory[MAX_PATH];
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  EXPECT_GT(length, 0u);
  EXPECT_EQ(std::strlen(directory), length);
  EXPECT_EQ(LoadLibraryA("wnaspi32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  const DWORD before = timeGetTime();
  Sleep(20);
  EXPECT_GE(timeGetTime() - before, 19u);
  EXPECT_GT(platform::time(nullptr), 1600000000);
}

// Queue values are plain decimal numbers: a sign (which strtoul would wrap to a huge
// alignment mask), a space or an overflow makes the value unknown.
TEST(LinuxSysfsTest, QueueValuesAreDigitsOnly) {
  const struct {
    const char* text;
    std::optional<unsigned long> value;
  } cases[] = {
      {"511", 511ul},
      {"0", 0ul},
      {"-1", std::nullopt},
      {"+3", std::nullopt},
      {" 3", std::nullopt},
      {"", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ParseQueueValue(c.text), c.value) << c.text;
}

}  // namespace
