#include <gtest/gtest.h>

#include <cstring>

#include "tests/app/WindowFixture.h"

namespace {

using apptest::Window;

TEST(DisplayTextTest, SenseMsfHexAndCommandErrorTexts) {
  EXPECT_EQ(AspiVCL::SenseText({0x02, 0x3A, 0x00, 0}), "02/3A/00");
  EXPECT_EQ(AspiVCL::SenseText({0x0B, 0x00, 0x06, 1}), "0B/00/06");
  EXPECT_EQ(AspiVCL::SenseText({0xFE, 0xFF, 0xAB, 0}), "FE/FF/AB");
  EXPECT_EQ(AspiVCL::MSFText({66, 42, 0}), "66:42:00");
  EXPECT_EQ(AspiVCL::MSFText({0, 2, 0}), "00:02:00");
  EXPECT_EQ(AspiVCL::MSFText({255, 59, 74}), "255:59:74");
  EXPECT_EQ(AspiVCL::HexByteText(4), "0x04");
  EXPECT_EQ(AspiVCL::HexByteText(255), "0xFF");
  EXPECT_EQ(AspiVCL::CommandErrorText({0x02, 0x3E, 0x00, 0}, 0x04),
            "02/3E/00  (Aspi reported : 0x04)");
}

TEST(DisplayTextTest, MsfEchoesOfAddresses) {
  const struct {
    LONG lba;
    const char* text;
  } cases[] = {{300000, "66:42:00"}, {0, "00:02:00"}, {10000, "02:15:25"}, {-150, "00:00:00"}};
  for (const auto& c : cases)
    EXPECT_EQ(AspiVCL::MSFText(AspiTools::LBAtoMSF(c.lba)), c.text) << c.lba;
}

DeviceEntry Entry(const char* vendor, const char* product, const char* revision, char letter,
                  BYTE adapter, BYTE target) {
  DeviceEntry e{};
  std::memcpy(e.InquiryData + 8, vendor, 8);
  std::memcpy(e.InquiryData + 16, product, 16);
  std::memcpy(e.InquiryData + 32, revision, 4);
  std::memcpy(e.AdapterId, "SIM SCSI Port\0\0\0", 16);
  e.DriveLetter = letter;
  e.HostAdapter = adapter;
  e.Target = target;
  e.DeviceCount = 1;
  return e;
}

class DeviceRowTest : public ::testing::Test {
 protected:
  // The texts need a drive-access object; a machine without drives will do.
  Window window{Window::Machine({})};
  AspiVCL& d = window.drive();
};

TEST_F(DeviceRowTest, EveryRowKind) {
  const DeviceEntry e = Entry("ABC     ", "CD-ROM 52X      ", "1.0 ", 'E', 1, 0);
  const std::string inquiry = "ABC       CD-ROM 52X      ";  // 8 + 2 + 16 characters
  EXPECT_EQ(d.InquiryText(e), inquiry);
  const struct {
    RowKind kind;
    std::string text;
  } cases[] = {
      {0, inquiry},
      {1, "E: " + inquiry},
      {2, "[1,0]  " + inquiry},
      {3, "E: [1,0]  " + inquiry},
      {4, "[1,0]  " + inquiry + "  1.0 "},
      {5, "E: [1,0]  " + inquiry + "  1.0 "},
      {6, "[1,0]  " + inquiry + "  (SIM SCSI Port" + std::string(3, '\0') + ")"},
      // Every kind outside 0 to 6 is kind 5.
      {7, "E: [1,0]  " + inquiry + "  1.0 "},
      {100, "E: [1,0]  " + inquiry + "  1.0 "},
      {-1, "E: [1,0]  " + inquiry + "  1.0 "},
  };
  for (const auto& c : cases) EXPECT_EQ(d.DeviceRowText(e, c.kind), c.text) << c.kind;
}

TEST_F(DeviceRowTest, AdapterNumbersAreUnsignedAndZeroBytesEndTheInquiryText) {
  const DeviceEntry high = Entry("VENDOR  ", "PRODUCT         ", "REV1", 'D', 200, 3);
  EXPECT_EQ(d.DeviceRowText(high, 2).substr(0, 11), "[200,3]  VE");
  const DeviceEntry shortVendor = Entry("AB\0DEFGH", "PRODUCT         ", "REV1", 'D', 0, 3);
  EXPECT_EQ(d.InquiryText(shortVendor), "AB");
  EXPECT_EQ(d.DeviceRowText(shortVendor, 2), "[0,3]  AB");
}

TEST_F(DeviceRowTest, FillDeviceListAppendsTheValidRowsUpToTheirFirstZeroByte) {
  toolkit::TComboBox combo(nullptr);
  DeviceEntry table[kMaxDevices] = {};
  d.FillDeviceList(&combo, table, 5);
  EXPECT_EQ(combo.Items().Count(), 0);  // an empty table adds no row

  table[0] = Entry("ABC     ", "CD-ROM 52X      ", "1.0 ", 'D', 0, 0);
  table[1] = Entry("XYZ     ", "DVD-ROM 16X     ", "2.1\0", 'E', 0, 1);
  table[2] = Entry("NOT     ", "COUNTED         ", "0000", 'F', 0, 2);
  table[0].DeviceCount = table[1].DeviceCount = 2;
  d.FillDeviceList(&combo, table, 5);
  d.FillDeviceList(&combo, table, 5);  // not cleared: the rows come again
  ASSERT_EQ(combo.Items().Count(), 4);
  EXPECT_EQ(combo.Items()[0], "D: [0,0]  ABC       CD-ROM 52X        1.0 ");
  EXPECT_EQ(combo.Items()[1], "E: [0,1]  XYZ       DVD-ROM 16X       2.1");
  EXPECT_EQ(combo.Items()[2], combo.Items()[0]);

  d.FillDeviceList(nullptr, table, 5);  // no combo box: nothing happens

  // A count beyond the table's 30 rows stays inside the table.
  for (auto& e : table) e = Entry("ABC     ", "CD-ROM 52X      ", "1.0 ", 'D', 0, 0);
  table[0].DeviceCount = 255;
  toolkit::TComboBox big(nullptr);
  d.FillDeviceList(&big, table, 5);
  EXPECT_EQ(big.Items().Count(), kMaxDevices);
}

}  // namespace
