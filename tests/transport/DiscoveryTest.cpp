// The path choice and the device scan: which path each machine gets, which devices become
// rows, what the rows hold, and the limits of the scan.
#include <gtest/gtest.h>

#include <algorithm>
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

enum class Path { Aspi, Spti };

bool AskedForRights(const sim::SimHost& host) {
  const auto calls = host.SecurityCalls();
  return std::find(calls.begin(), calls.end(), "ImpersonateSelf") != calls.end();
}

std::string ManagerId(const DeviceEntry& row) {
  return std::string(row.ManagerId, 16).c_str();
}

// --- the path matrix -----------------------------------------------------------------------

enum class Drive { WithLetter, WithoutLetter };

sim::SimProfile WithCd(sim::SimProfile profile, Drive drive) {
  profile.AddDrive('C', {0, 0, 0, 0}, std::make_shared<sim::HardDisk>());
  if (drive == Drive::WithLetter) {
    profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  } else {
    profile.AddTarget({0, 0, 1, 0}, Cd());  // only the ASPI manager reaches it
  }
  return profile;
}

struct PathCase {
  const char* name;
  sim::SimProfile profile;
  BYTE sptiActive;
  BYTE devices;
  bool askedForRights;
};

TEST(ChoosePath, Matrix) {
  using sim::AspiPlacement;
  using sim::SimProfile;
  const char* kSpti = "Tessaly Co. NT";
  const PathCase cases[] = {
      {"95WithLibrary", WithCd(SimProfile::Windows95(), Drive::WithLetter), 0, 1, false},
      {"98WithLibrary", WithCd(SimProfile::Windows98(), Drive::WithLetter), 0, 1, false},
      {"98WithoutLibrary",
       WithCd(SimProfile::Windows98().WithAspi(AspiPlacement::None), Drive::WithLetter), 0, 0,
       false},
      {"NT4WithLibraryAdministrator",
       WithCd(SimProfile::WindowsNT4(true).WithAspi(AspiPlacement::SystemDirectory),
              Drive::WithLetter),
       1, 1, false},
      {"NT4WithLibraryUser",
       WithCd(SimProfile::WindowsNT4(false).WithAspi(AspiPlacement::SystemDirectory),
              Drive::WithLetter),
       1, 1, false},
      {"2000WithLibraryUser",
       WithCd(SimProfile::Windows2000(false).WithAspi(AspiPlacement::SystemDirectory),
              Drive::WithLetter),
       0, 1, true},
      {"2000WithLibraryAdministrator",
       WithCd(SimProfile::Windows2000(true).WithAspi(AspiPlacement::SystemDirectory),
              Drive::WithLetter),
       1, 1, true},
      {"2000WithLibraryAdministratorSptiFindsNothing",
       WithCd(SimProfile::Windows2000(true).WithAspi(AspiPlacement::SystemDirectory),
              Drive::WithoutLetter),
       0, 1, true},
      {"2000WithoutLibrary", WithCd(SimProfile::Windows2000(false), Drive::WithLetter), 1, 1,
       false},
      {"2000WithoutLibrarySptiFindsNothing",
       WithCd(SimProfile::Windows2000(true), Drive::WithoutLetter), 0, 0, false},
      {"XPWithLibraryUser",
       WithCd(SimProfile::WindowsXP(false).WithAspi(AspiPlacement::SearchPath), Drive::WithLetter),
       0, 1, true},
      {"XPWithNtAspiAdministrator",
       WithCd(SimProfile::WindowsXP(true).WithAspi(AspiPlacement::NtAspiOnly), Drive::WithLetter),
       1, 1, true},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    Machine m(c.profile);
    Aspi& aspi = m.Build();
    EXPECT_EQ(aspi.SPTIActive, c.sptiActive);
    EXPECT_EQ(aspi.DeviceCount, c.devices);
    EXPECT_EQ(AskedForRights(m.host()), c.askedForRights);
    EXPECT_EQ(aspi.Devices, aspi.DeviceTable);
    if (c.devices == 0) {
      EXPECT_EQ(aspi.DeviceTable[0].DeviceCount, 0);
      continue;
    }
    const DeviceEntry& row = aspi.Devices[0];
    EXPECT_EQ(row.DeviceType, DTYPE_CDROM);
    EXPECT_EQ(row.Target, 1);
    EXPECT_EQ(row.DeviceCount, c.devices);
    EXPECT_EQ(std::memcmp(row.InquiryData + 8, "SIMWARE ", 8), 0);
    if (c.sptiActive != 0) {
      EXPECT_EQ(ManagerId(row), kSpti);
      EXPECT_EQ(row.SptiDevice, &aspi.Rows[1]);  // C: is the hard disk's row
      EXPECT_EQ(aspi.AdapterCount, aspi.BusCount);
    } else {
      EXPECT_EQ(ManagerId(row), m.host().profile().aspiManagerId.substr(0, 16));
      EXPECT_EQ(row.SptiDevice, nullptr);
      EXPECT_EQ(aspi.AdapterCount, 1);
    }
  }
}

// No library on Windows 98: no path is initialised, nothing is asked of any manager.
TEST(ChoosePath, NoPathLeavesTheStandbysAndAnEmptyTable) {
  Machine m(
      WithCd(sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::None), Drive::WithLetter));
  Aspi& aspi = m.Build();
  EXPECT_EQ(aspi.AdapterCount, 0);
  EXPECT_EQ(aspi.SPTIActive, 0);
  EXPECT_TRUE(m.host().AspiRequests().empty());
  EXPECT_TRUE(m.host().DeviceOpens().empty());
}

// --- the scan ----------------------------------------------------------------------------------

std::shared_ptr<sim::ScriptedTarget> Reporting(BYTE reported, BYTE inquiryType) {
  auto target = std::make_shared<sim::ScriptedTarget>(reported);
  target->SetDefault(ScriptedStep::Good(InquiryAnswer(inquiryType)));
  return target;
}

TEST(ScanDevices, TypeFilterAndTheDriveOwnType) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  auto disk = std::make_shared<sim::HardDisk>();
  sim::InquiryIdentity tapeIdentity;
  tapeIdentity.peripheralType = 0x01;
  auto tape = std::make_shared<sim::InquiryDevice>(tapeIdentity);
  auto unknownCd = Reporting(0x1F, 0x05);
  auto diskTypedCd = Reporting(0x00, 0x05);
  auto cdTypedDisk = Reporting(0x05, 0x00);
  profile.AddTarget({0, 0, 0, 0}, disk);
  profile.AddDrive('E', {0, 0, 1, 0}, Cd("ALPHA"));
  profile.AddDrive('F', {0, 0, 2, 0}, unknownCd);
  profile.AddTarget({0, 0, 3, 0}, tape);
  profile.AddDrive('G', {0, 0, 4, 0}, diskTypedCd);
  profile.AddTarget({0, 0, 5, 0}, cdTypedDisk);
  Machine m(profile);
  Aspi& aspi = m.Build();

  ASSERT_EQ(aspi.DeviceCount, 3);
  const struct {
    BYTE target;
    char letter;
  } rows[] = {{1, 'E'}, {2, 'F'}, {4, 'G'}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const DeviceEntry& row = aspi.Devices[i];
    EXPECT_EQ(row.Target, rows[i].target);
    EXPECT_EQ(row.DeviceType, DTYPE_CDROM);
    EXPECT_EQ(row.HostAdapter, 0);
    EXPECT_EQ(row.Lun, 0);
    EXPECT_EQ(row.DeviceCount, 3);
    EXPECT_EQ(row.DriveLetter, rows[i].letter);
    EXPECT_TRUE(SameBytes(Raw(row.DiskInfo, 4),
                          {0x00, static_cast<BYTE>(rows[i].letter - 'A'), 0x00, 0x00}));
    EXPECT_EQ(row.HasBlockDescriptor, 0);
    EXPECT_EQ(row.UseModeSense6, 0);
    EXPECT_EQ(row.SptiDevice, nullptr);
  }
  EXPECT_EQ(std::memcmp(aspi.Devices[0].InquiryData + 8, "ALPHA   ", 8), 0);
  EXPECT_EQ(std::memcmp(aspi.Devices[1].InquiryData + 8, "SCRIPTED", 8), 0);
  // The tape is never asked for INQUIRY; every other candidate gets 45 seconds.
  EXPECT_TRUE(tape->Opcodes().empty());
  EXPECT_FALSE(disk->Opcodes().empty());
  EXPECT_EQ(cdTypedDisk->CommandCount(), 1u);
  auto& manager = m.host().aspiManager();
  for (BYTE target : {0, 1, 2, 4, 5}) {
    EXPECT_EQ(manager.Timeout({0, 0, target, 0}), 90u) << int{target};
  }
  EXPECT_EQ(manager.Timeout({0, 0, 3, 0}), 0u);
}

TEST(ScanDevices, AdapterFieldsComeFromItsInquiry) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.Port(0).alignmentMask = 0x0001;
  profile.Port(0).identifier = "SIM IDE CHANNEL";
  profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  Machine m(profile);
  Aspi& aspi = m.Build();
  ASSERT_EQ(aspi.DeviceCount, 1);
  const DeviceEntry& row = aspi.Devices[0];
  EXPECT_TRUE(SameBytes(Raw(row.ManagerId, 16), {'S', 'I', 'M', ' ', 'A', 'S', 'P', 'I', ' ', 'M',
                                                 'a', 'n', 'a', 'g', 'e', 'r'}));
  EXPECT_TRUE(SameBytes(Raw(row.AdapterId, 16), {'S', 'I', 'M', ' ', 'I', 'D', 'E', ' ', 'C', 'H',
                                                 'A', 'N', 'N', 'E', 'L', 0x00}));
  // HA_Unique of the simulated manager: mask, targets, and its longest transfer (64 KiB).
  EXPECT_TRUE(
      SameBytes(Raw(row.AdapterParams, 16), {0x01, 0x00, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00,
                                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(row.AlignmentMask(), 0x0001);
}

TEST(ScanDevices, RequestBlocksOfTheScan) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  Machine m(profile);
  m.Build();
  const auto inquiries = RequestsOf(m.host(), SC_HA_INQUIRY);
  ASSERT_EQ(inquiries.size(), 1u);
  Bytes expectedInquiry(60, 0x00);  // everything cleared but the command code
  EXPECT_TRUE(SameBytes(inquiries[0], expectedInquiry));
  const auto devTypes = RequestsOf(m.host(), SC_GET_DEV_TYPE);
  ASSERT_EQ(devTypes.size(), 8u);
  EXPECT_TRUE(SameBytes(devTypes[5], {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
                                      0x05, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(RequestsOf(m.host(), SC_GET_SPTI_DEVICE).empty());  // the ASPI path
}

TEST(ScanDevices, TargetsPerAdapter) {
  const struct {
    BYTE reported;
    std::size_t scanned;
  } cases[] = {{7, 8}, {8, 8}, {16, 16}, {0, 8}, {15, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.reported});
    sim::SimProfile profile = sim::SimProfile::Windows98();
    profile.Port(0).maxTargets = c.reported;
    profile.AddDrive('D', {0, 0, 12, 0}, Cd());
    Machine m(profile);
    Aspi& aspi = m.Build();
    const auto devTypes = RequestsOf(m.host(), SC_GET_DEV_TYPE);
    ASSERT_EQ(devTypes.size(), c.scanned);
    for (std::size_t t = 0; t < devTypes.size(); ++t) EXPECT_EQ(devTypes[t][8], t);
    EXPECT_EQ(aspi.DeviceCount, c.scanned == 16 && c.reported == 16 ? 1 : 0);
  }
}

TEST(ScanDevices, StopsAtThirtyRows) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.Port(0).buses = 2;
  profile.Port(0).maxTargets = 16;
  std::vector<std::shared_ptr<sim::InquiryDevice>> drives;
  for (int i = 0; i < 31; ++i) {
    drives.push_back(Cd());
    profile.AddTarget({0, static_cast<BYTE>(i / 16), static_cast<BYTE>(i % 16), 0}, drives.back());
  }
  Machine m(profile);
  Aspi& aspi = m.Build();
  ASSERT_EQ(aspi.DeviceCount, kMaxDevices);
  for (int i = 0; i < kMaxDevices; ++i) EXPECT_EQ(aspi.DeviceTable[i].DeviceCount, kMaxDevices);
  EXPECT_EQ(aspi.DeviceTable[29].HostAdapter, 1);
  EXPECT_EQ(aspi.DeviceTable[29].Target, 13);
  EXPECT_TRUE(drives[30]->Opcodes().empty());  // the 31st drive is not scanned
  for (const auto& block : RequestsOf(m.host(), SC_GET_DEV_TYPE)) {
    EXPECT_FALSE(block[2] == 1 && block[8] == 14) << "the 31st address was asked";
  }
}

TEST(ScanDevices, InquiryFallsBackTo36Bytes) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  auto cd = std::make_shared<sim::ScriptedTarget>(0x05);
  std::vector<std::uint8_t> answer36 = InquiryAnswer(0x05);
  answer36.resize(36);
  cd->Then(ScriptedStep::CheckCondition(0x05, 0x24, 0x00));
  cd->Then(ScriptedStep::Good(answer36));
  profile.AddDrive('D', {0, 0, 1, 0}, cd);
  Machine m(profile);
  Aspi& aspi = m.Build();
  ASSERT_EQ(aspi.DeviceCount, 1);
  const auto commands = cd->Commands();
  ASSERT_GE(commands.size(), 2u);
  EXPECT_TRUE(SameBytes(commands[0].cdb, {0x12, 0x00, 0x00, 0x00, 0x38, 0x00, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(SameBytes(commands[1].cdb, {0x12, 0x00, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(commands[0].cdbLength, 6);
  EXPECT_EQ(commands[0].dataLength, 56u);
  EXPECT_EQ(commands[1].dataLength, 36u);
  EXPECT_EQ(commands[0].direction, sim::DataDirection::In);
  Bytes expected(answer36.begin(), answer36.end());
  expected.resize(56, 0x00);  // the answer area was cleared
  EXPECT_TRUE(SameBytes(Raw(aspi.Devices[0].InquiryData, 56), expected));
}

TEST(ScanDevices, NoInquiryAnswerLeavesTheSenseTextAsNames) {
  for (Path path : {Path::Aspi, Path::Spti}) {
    SCOPED_TRACE(path == Path::Aspi ? "Aspi" : "Spti");
    sim::SimProfile profile =
        path == Path::Aspi ? sim::SimProfile::Windows98() : sim::SimProfile::Windows2000(true);
    auto mute = Cd("MUTE", sim::InquiryMode::NoAnswer);
    mute->SetRefusalSense(0x02, 0x3A, 0x00);
    profile.AddDrive('D', {0, 0, 1, 0}, mute);
    Machine m(profile);
    Aspi& aspi = m.Build();
    // Filter 5: its INQUIRY type reads as 0, so it is not kept. On Windows 2000 the
    // pass-through scan found nothing and the ASPI stand-bys report no adapters.
    EXPECT_EQ(aspi.DeviceCount, 0);

    if (path == Path::Spti) aspi.InitPath(1);
    EXPECT_EQ(aspi.ScanDevices(aspi.DeviceTable, 0xFF), 1);
    ASSERT_EQ(aspi.DeviceCount, 1);
    Bytes expected(56, 0x00);
    std::memcpy(expected.data() + 8, "02/3A/0002/3A/00", 16);
    EXPECT_TRUE(SameBytes(Raw(aspi.Devices[0].InquiryData, 56), expected));
    EXPECT_EQ(aspi.Devices[0].DeviceCount, 1);
  }
}

TEST(ScanDevices, FoundWhenADevicePassedTheTypeQueryEvenIfNoneIsKept) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.AddTarget({0, 0, 0, 0}, std::make_shared<sim::HardDisk>());
  Machine m(profile);
  Aspi& aspi = m.Build();
  EXPECT_EQ(aspi.DeviceCount, 0);
  EXPECT_EQ(aspi.ScanDevices(aspi.DeviceTable, DTYPE_CDROM), 1);
  EXPECT_EQ(aspi.DeviceCount, 0);
  sim::InquiryIdentity tape;
  tape.peripheralType = 0x01;
  m.host().PlaceTarget({0, 0, 0, 0}, std::make_shared<sim::InquiryDevice>(tape));
  EXPECT_EQ(aspi.ScanDevices(aspi.DeviceTable, DTYPE_CDROM), 0);
}

TEST(ScanDevices, PassThroughRowsAndLetters) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(true);
  profile.Port(0).alignmentMask = 0x0003;
  profile.AddDrive('C', {0, 0, 0, 0}, std::make_shared<sim::HardDisk>());
  profile.AddDrive('E', {0, 0, 1, 0}, Cd("FIRST"));
  profile.AddDrive('F', {0, 0, 4, 0}, Cd("SECOND"));
  Machine m(profile);
  Aspi& aspi = m.Build();
  ASSERT_EQ(aspi.SPTIActive, 1);
  ASSERT_EQ(aspi.DeviceCount, 2);
  EXPECT_EQ(aspi.AdapterCount, 1);
  const DeviceEntry& first = aspi.Devices[0];
  const DeviceEntry& second = aspi.Devices[1];
  EXPECT_EQ(first.SptiDevice, &aspi.Rows[1]);
  EXPECT_EQ(second.SptiDevice, &aspi.Rows[2]);
  EXPECT_EQ(first.DriveLetter, 'E');
  EXPECT_EQ(second.DriveLetter, 'F');
  EXPECT_TRUE(SameBytes(Raw(first.DiskInfo, 4), {0x00, 'E' - 'A', 0x00, 0x00}));
  EXPECT_TRUE(
      SameBytes(Raw(first.AdapterParams, 16), {0x03, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(std::string(first.AdapterId, 16).c_str(), std::string("Unknown"));
  EXPECT_EQ(std::memcmp(second.InquiryData + 8, "SECOND  ", 8), 0);
  // 90 half-seconds are more than the pass-through layer accepts: rows keep 30 s.
  EXPECT_EQ(aspi.Rows[1].TimeOut, 0u);
}

// On NT with the ASPI path the pass-through rows give the letters; elsewhere the disk
// information does. Two letters name the drive: the disk information answers the first in
// the machine's list (H), the rows come in letter order (E first).
TEST(ScanDevices, DriveLettersFromThePassThroughRowsOnNt) {
  const struct {
    const char* name;
    sim::SimProfile profile;
    char letter;
  } cases[] = {
      {"2000User",
       sim::SimProfile::Windows2000(false).WithAspi(sim::AspiPlacement::SystemDirectory), 'E'},
      {"98", sim::SimProfile::Windows98(), 'H'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimProfile profile = c.profile;
    profile.AddDrive('H', {0, 0, 1, 0}, Cd());
    profile.AddLetter('E', {0, 0, 1, 0});
    Machine m(profile);
    Aspi& aspi = m.Build();
    ASSERT_EQ(aspi.SPTIActive, 0);
    ASSERT_EQ(aspi.DeviceCount, 1);
    EXPECT_EQ(aspi.Devices[0].DiskInfo[1], 'H' - 'A');
    EXPECT_EQ(aspi.Devices[0].DriveLetter, c.letter);
  }
}

}  // namespace
}  // namespace transport_test
