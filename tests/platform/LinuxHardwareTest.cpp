// Against this machine's first optical drive, when it has one; reported as skipped
// otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "platform/LinuxHost.h"
#include "platform/win32.h"

namespace {

TEST(LinuxHardwareTest, FirstDriveAnswersAddressAndInquiry) {
  if (access("/dev/sr0", F_OK) != 0) GTEST_SKIP() << "no /dev/sr0 on this machine";
  platform::LinuxHost host;
  platform::ScopedHost installed(host);
  HANDLE drive =
      CreateFileA("\\\\.\\D:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (drive == INVALID_HANDLE_VALUE) {
    drive =
        CreateFileA("\\\\.\\D:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  if (drive == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    GTEST_SKIP() << "/dev/sr0 exists but this user may not open it";
  }
  ASSERT_NE(drive, INVALID_HANDLE_VALUE) << GetLastError();

  SCSI_ADDRESS address{};
  DWORD returned = 0;
  EXPECT_TRUE(DeviceIoControl(drive, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address),
                              &returned, nullptr))
      << GetLastError();

  struct {
    SCSI_PASS_THROUGH_DIRECT spt;
    ULONG filler;
    UCHAR sense[32];
  } block{};
  alignas(512) BYTE inquiry[36] = {};
  block.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  block.spt.CdbLength = 6;
  block.spt.SenseInfoLength = 14;
  block.spt.DataIn = SCSI_IOCTL_DATA_IN;
  block.spt.DataTransferLength = sizeof(inquiry);
  block.spt.TimeOutValue = 10;
  block.spt.DataBuffer = inquiry;
  block.spt.SenseInfoOffset = offsetof(decltype(block), sense);
  const BYTE cdb[6] = {0x12, 0, 0, 0, sizeof(inquiry), 0};
  std::memcpy(block.spt.Cdb, cdb, sizeof(cdb));
  ASSERT_TRUE(DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                              sizeof(block), &returned, nullptr))
      << GetLastError();
  EXPECT_EQ(block.spt.ScsiStatus, 0);
  EXPECT_EQ(inquiry[0] & 0x1F, 0x05);  // a CD-ROM device
  CloseHandle(drive);
}

}  // namespace
