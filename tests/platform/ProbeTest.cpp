// velmark-probe's texts: the trace line, the drive rows and the report over a fake machine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/CommandTracePrinter.h"
#include "platform/LinuxHost.h"
#include "probe/Probe.h"
#include "tests/platform/FakeKernel.h"
#include "tests/platform/FakeSysfs.h"

namespace {

using platform::testing::DriveAnswer;
using platform::testing::FakeKernel;
using platform::testing::FakeSysfs;
using platform::testing::TemporaryFolder;

TEST(CommandTracePrinterTest, FormatsEveryKindOfCommand) {
  const BYTE inquiry[6] = {0x12, 0, 0, 0, 0x24, 0};
  const BYTE readCd[12] = {0xBE, 0, 0, 0, 0x10, 0, 0, 0, 0x1B, 0xF8, 0, 0};
  const BYTE unitReady[6] = {0};
  struct Case {
    platform::CommandTrace trace;
    const char* line;
  };
  auto trace = [](const BYTE* cdb, BYTE length, DWORD data, UCHAR direction, bool delivered,
                  DWORD error, BYTE status, BYTE key, BYTE asc, BYTE ascq, double ms) {
    platform::CommandTrace t;
    t.device = "/dev/sr0";
    t.cdb = cdb;
    t.cdbLength = length;
    t.dataLength = data;
    t.direction = direction;
    t.delivered = delivered;
    t.error = error;
    t.scsiStatus = status;
    t.senseKey = key;
    t.asc = asc;
    t.ascq = ascq;
    t.milliseconds = ms;
    return t;
  };
  const Case cases[] = {
      {trace(inquiry, 6, 36, SCSI_IOCTL_DATA_IN, true, 0, 0, 0, 0, 0, 0.414),
       "/dev/sr0  12 00 00 00 24 00 INQUIRY  in 36  status 00  sense 00/00/00  0.41 ms"},
      {trace(readCd, 12, 63504, SCSI_IOCTL_DATA_IN, true, 0, 2, 3, 0x11, 5, 12.5),
       "/dev/sr0  BE 00 00 00 10 00 00 00 1B F8 00 00 READ CD  in 63504  status 02  sense 03/11/05 "
       "L-EC UNCORRECTABLE ERROR  12.50 ms"},
      {trace(unitReady, 6, 0, SCSI_IOCTL_DATA_OUT, false, ERROR_SEM_TIMEOUT, 0, 0, 0, 0, 30000),
       "/dev/sr0  00 00 00 00 00 00 TEST UNIT READY  none 0  failed (error 121)  30000.00 ms"},
      {trace(readCd, 10, 16, SCSI_IOCTL_DATA_OUT, true, 0, 0, 0, 0, 0, 1),
       "/dev/sr0  BE 00 00 00 10 00 00 00 1B F8 READ CD  out 16  status 00  sense 00/00/00  1.00 "
       "ms"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::CommandTracePrinter::Format(c.trace), c.line);
  }
}

TEST(ProbeArgumentsTest, KnowsHelpAndTrace) {
  EXPECT_TRUE(probe::ParseArguments({"--help"}).help);
  EXPECT_TRUE(probe::ParseArguments({"--trace"}).trace);
  EXPECT_FALSE(probe::ParseArguments({}).trace);
  EXPECT_TRUE(probe::ParseArguments({"--version"}).version);
  EXPECT_TRUE(probe::ParseArguments({"-V"}).version);  // as velmark-cli spells them
  EXPECT_TRUE(probe::ParseArguments({"-v"}).trace);
  EXPECT_FALSE(probe::ParseArguments({"--bogus"}).error.empty());
  EXPECT_NE(std::string(probe::HelpText()).find("see whether Velmark sees your"),
            std::string::npos);
}

TEST(ProbeRowTest, ShowsTheFieldsAtFullWidthUpToAZero) {
  DeviceEntry entry{};
  entry.DriveLetter = 'E';
  entry.HostAdapter = 1;
  entry.Target = 0;
  std::memcpy(entry.InquiryData + 8, "ABC     ", 8);
  std::memcpy(entry.InquiryData + 16, "CD-ROM DRIVE    ", 16);
  std::memcpy(entry.InquiryData + 32, "1.0A", 4);
  EXPECT_EQ(probe::DriveRowText(entry), "E: [1,0]  ABC       CD-ROM DRIVE      1.0A");
  std::memcpy(entry.InquiryData + 16, "SHORT\0\0\0\0\0\0\0\0\0\0\0", 16);
  EXPECT_EQ(probe::DriveRowText(entry), "E: [1,0]  ABC       SHORT  1.0A");
}

TEST(ProbeRowTest, ControlCharactersInTheDriveStringsAreShownAsEscapes) {
  DeviceEntry entry{};
  entry.DriveLetter = 'D';
  std::memcpy(entry.InquiryData + 8,
              "\x1b[2J\x07"
              "AB\x7f",
              8);
  std::memcpy(entry.InquiryData + 16,
              "X\x9b"
              "1mY\r\n         ",
              16);
  std::memcpy(entry.InquiryData + 32,
              "1\x1b"
              "c2",
              4);
  EXPECT_EQ(probe::DriveRowText(entry),
            "D: [0,0]  \\x1B[2J\\x07AB\\x7F  X\\x9B1mY\\x0D\\x0A           1\\x1Bc2");
}

std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[512];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, n);
  return text;
}

TEST(ProbeReportTest, ListsTheDrivesTheirNodesAndReadiness) {
  TemporaryFolder folder;
  FakeSysfs tree(folder.path());
  tree.AddHost(0);
  tree.AddDevice("0:0:0:0");
  tree.AddDevice("0:0:1:0");
  tree.AddDrive(0, "0:0:0:0");
  tree.AddDrive(1, "0:0:1:0");
  FakeKernel kernel;
  auto drive = [](const char* product, DriveAnswer unitReady) {
    platform::testing::FakeNode node;
    node.respond = [product, unitReady](const std::vector<unsigned char>& cdb) {
      if (cdb[0] == 0x12) {
        std::vector<unsigned char> reply(56, ' ');
        reply[0] = 0x05;
        std::memcpy(&reply[8], "PROBED  ", 8);
        std::memcpy(&reply[16], product, std::strlen(product));
        std::memcpy(&reply[32], "1.00", 4);
        return DriveAnswer::Good(reply);
      }
      return unitReady;
    };
    return node;
  };
  kernel.nodes[folder.path() + "/dev/sr0"] = drive("READY DRIVE", DriveAnswer::Good());
  kernel.nodes[folder.path() + "/dev/sr1"] = drive("EMPTY DRIVE", DriveAnswer::Check(2, 0x3A, 0));
  platform::LinuxHostOptions options;
  options.root = folder.path();
  options.system = &kernel;
  platform::LinuxHost host(std::move(options));
  platform::ScopedHost installed(host);

  std::FILE* out = std::tmpfile();
  std::FILE* traced = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(traced, nullptr);
  platform::CommandTracePrinter printer(traced);
  host.SetCommandObserver(&printer);
  int status;
  {
    Aspi aspi;
    status = probe::Report(aspi, out, folder.path());
  }
  host.SetCommandObserver(nullptr);
  const std::string text = ReadAll(out);
  const std::string trace = ReadAll(traced);
  std::fclose(out);
  std::fclose(traced);

  EXPECT_EQ(status, 0);
  EXPECT_NE(text.find("Path: SPTI"), std::string::npos) << text;
  EXPECT_NE(text.find("Drives: 2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  D: [0,0]  PROBED    READY DRIVE       1.00\n"
                      "      device: /dev/sr0\n"
                      "      TEST UNIT READY: status 01, sense 00/00/00 (ready)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("  E: [0,1]  PROBED    EMPTY DRIVE       1.00\n"
                      "      device: /dev/sr1\n"
                      "      TEST UNIT READY: status 04, sense 02/3A/00 (no disc)\n"),
            std::string::npos)
      << text;
  // The trace shows the scan's INQUIRY and the TEST UNIT READY as they went.
  EXPECT_NE(trace.find("/dev/sr0  12 00 00 00 38 00 INQUIRY  in 56  status 00  sense 00/00/00"),
            std::string::npos)
      << trace;
  EXPECT_NE(
      trace.find("/dev/sr1  00 00 00 00 00 00 TEST UNIT READY  none 0  status 02  sense 02/3A/00 "
                 "MEDIUM NOT PRESENT"),
      std::string::npos)
      << trace;
}

TEST(ProbeReportTest, NoDriveExplainsWhatItLookedFor) {
  TemporaryFolder folder;
  FakeSysfs tree(folder.path());
  tree.File("/dev/sr0", "");  // a regular file where a node belongs
  // A device node with no drive behind it (opening it fails with ENXIO); making one needs
  // privileges, so without them that case is left out.
  const std::string empty = folder.path() + "/dev/sr1";
  const bool nodeMade = mknod(empty.c_str(), S_IFBLK | 0644, makedev(11, 250)) == 0;
  FakeKernel kernel;
  kernel.nodes[folder.path() + "/dev/sr0"].exists = false;
  kernel.nodes[empty].exists = false;
  platform::LinuxHostOptions options;
  options.root = folder.path();
  options.system = &kernel;
  platform::LinuxHost host(std::move(options));
  platform::ScopedHost installed(host);
  std::FILE* out = std::tmpfile();
  int status;
  {
    Aspi aspi;
    status = probe::Report(aspi, out, folder.path());
  }
  const std::string text = ReadAll(out);
  std::fclose(out);
  EXPECT_EQ(status, 1);
  EXPECT_NE(text.find("Drives: 0"), std::string::npos) << text;
  EXPECT_NE(text.find("Path: none (no optical drive answered; see below)"), std::string::npos)
      << text;
  // The nodes are there: the text says why they still gave no drive.
  EXPECT_NE(text.find("/dev/sr0 exists; it is not a device node (a regular file)."),
            std::string::npos)
      << text;
  if (nodeMade) {
    EXPECT_NE(text.find("/dev/sr1 exists; no such device (ENXIO): the node exists but no drive "
                        "answers behind it."),
              std::string::npos)
        << text;
  }
}

}  // namespace
