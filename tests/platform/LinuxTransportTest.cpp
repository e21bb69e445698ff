// The transport constructed on the Linux host over a fake machine: two optical drives and
// a hard disk.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/LinuxHost.h"
#include "tests/platform/FakeKernel.h"
#include "tests/platform/FakeSysfs.h"
#include "transport/Aspi.h"

namespace {

using platform::testing::DriveAnswer;
using platform::testing::FakeKernel;
using platform::testing::FakeSysfs;
using platform::testing::TemporaryFolder;

// A standard INQUIRY answer: type, vendor (8), product (16), revision (4).
std::vector<unsigned char> Inquiry(unsigned char type, const char* vendor, const char* product,
                                   const char* revision) {
  std::vector<unsigned char> reply(56, ' ');
  reply[0] = type;
  reply[1] = 0x80;
  reply[2] = 0x02;
  reply[3] = 0x02;
  reply[4] = 51;
  reply[5] = reply[6] = reply[7] = 0;
  std::memcpy(&reply[8], vendor, std::min<size_t>(8, std::strlen(vendor)));
  std::memcpy(&reply[16], product, std::min<size_t>(16, std::strlen(product)));
  std::memcpy(&reply[32], revision, std::min<size_t>(4, std::strlen(revision)));
  return reply;
}

std::string Text(const BYTE* bytes, size_t length) {
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

TEST(LinuxTransportTest, ListsExactlyTheTwoDrivesWithTheirLettersAndAddresses) {
  TemporaryFolder folder;
  FakeSysfs tree(folder.path());
  // Host 0: a hard disk at target 0 and the first drive at target 1. Host 2 (numbers are not
  // contiguous): the second drive.
  tree.AddHost(0);
  tree.AddHost(2);
  tree.AddDevice("0:0:0:0");
  tree.AddDevice("0:0:1:0");
  tree.AddDevice("2:0:0:0");
  tree.Folder("/sys/block/sda/device");
  tree.AddDrive(0, "0:0:1:0", "511", "128");
  tree.AddDrive(1, "2:0:0:0", "3", "1280");

  FakeKernel kernel;
  auto drive = [](std::vector<unsigned char> inquiry) {
    platform::testing::FakeNode node;
    node.respond = [inquiry](const std::vector<unsigned char>& cdb) {
      if (cdb[0] == 0x12) return DriveAnswer::Good(inquiry);
      return DriveAnswer::Check(0x05, 0x20, 0x00);
    };
    return node;
  };
  kernel.nodes[folder.path() + "/dev/sr0"] =
      drive(Inquiry(0x05, "ORBITAL", "CD-RW OR-4012", "1.01"));
  kernel.nodes[folder.path() + "/dev/sr1"] = drive(Inquiry(0x05, "VIRTUAL", "DVD-ROM", "2.5+"));
  kernel.nodes[folder.path() + "/dev/sda"] = drive(Inquiry(0x00, "ATA", "DISK", "1.0"));

  platform::LinuxHostOptions options;
  options.root = folder.path();
  options.system = &kernel;
  options.configHome = folder.path() + "/config";
  platform::LinuxHost host(std::move(options));
  platform::ScopedHost installed(host);

  {
    Aspi aspi;
    EXPECT_EQ(aspi.SPTIActive, 1);
    EXPECT_FALSE(aspi.AspiLoaded());
    EXPECT_EQ(aspi.PortCounter, 2);
    EXPECT_EQ(aspi.BusCount, 2);
    ASSERT_EQ(aspi.DeviceCount, 2);
    struct Expected {
      char letter;
      BYTE adapter, target;
      const char* vendor;
      const char* product;
      const char* revision;
    };
    const Expected expected[] = {{'D', 0, 1, "ORBITAL ", "CD-RW OR-4012   ", "1.01"},
                                 {'E', 1, 0, "VIRTUAL ", "DVD-ROM         ", "2.5+"}};
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      const DeviceEntry& row = aspi.DeviceTable[i];
      EXPECT_EQ(row.DriveLetter, expected[i].letter);
      EXPECT_EQ(row.HostAdapter, expected[i].adapter);
      EXPECT_EQ(row.Target, expected[i].target);
      EXPECT_EQ(row.Lun, 0);
      EXPECT_EQ(row.DeviceType, 0x05);
      EXPECT_EQ(Text(row.InquiryData + 8, 8), expected[i].vendor);
      EXPECT_EQ(Text(row.InquiryData + 16, 16), expected[i].product);
      EXPECT_EQ(Text(row.InquiryData + 32, 4), expected[i].revision);
      EXPECT_EQ(row.DeviceCount, 2);
    }
    EXPECT_EQ(aspi.DeviceTable[0].AlignmentMask(), 511);
    EXPECT_EQ(aspi.DeviceTable[1].AlignmentMask(), 3);

    // Every command the scan sent went to an optical drive, as one SG_IO each.
    bool sawInquiry[2] = {false, false};
    for (const auto& command : kernel.received) {
      EXPECT_NE(command.path, folder.path() + "/dev/sda");
      EXPECT_EQ(command.header.interface_id, 'S');
      if (command.cdb[0] == 0x12) {
        sawInquiry[command.path == folder.path() + "/dev/sr1"] = true;
      }
    }
    EXPECT_TRUE(sawInquiry[0]);
    EXPECT_TRUE(sawInquiry[1]);

    // A command on the first row goes through the drive's node.
    SRB_ExecSCSICmd srb;
    SenseResult sense{};
    const BYTE testUnitReady[16] = {0x00};
    kernel.received.clear();
    EXPECT_EQ(aspi.ExecSCSICmd(aspi.DeviceTable[0], srb, sense, nullptr, 0, SRB_DIR_OUT,
                               testUnitReady, 6),
              SS_ERR);  // the fake drive answers CHECK CONDITION 05/20/00
    ASSERT_FALSE(kernel.received.empty());
    EXPECT_EQ(kernel.received.back().path, folder.path() + "/dev/sr0");
    EXPECT_EQ(kernel.received.back().header.dxfer_direction, SG_DXFER_NONE);
  }
  EXPECT_EQ(kernel.openCount(), 0);  // the transport's destruction closed every node
}

}  // namespace
