// --device: Linux device names and drive letters to the drive they stand for.
#include "cli/DeviceChoice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/FakeSysfs.h"

namespace {

TEST(DeviceChoiceTest, NodesLinksGenericDevicesAndLetters) {
  platform::testing::TemporaryFolder folder;
  platform::testing::FakeSysfs tree(folder.path());
  const std::string& root = folder.path();
  tree.File("/dev/sr0", "");
  tree.File("/dev/sr1", "");
  tree.File("/dev/sg2", "");
  tree.File("/dev/sg0", "");
  tree.File("/dev/sda", "");
  std::filesystem::create_symlink("sr1", root + "/dev/cdrom");
  tree.File("/sys/class/scsi_generic/sg2/device/block/sr1/size", "0\n");  // an optical drive
  tree.File("/sys/class/scsi_generic/sg0/device/block/sda/size", "0\n");  // a hard disk

  const struct {
    const char* name;
    bool sim;
    char letter;
    const char* error;  // a part of it
  } cases[] = {
      {"/dev/sr0", false, 'D', ""},
      {"/dev/sr1", false, 'E', ""},
      {"/dev/cdrom", false, 'E', ""},
      {"/dev/sg2", false, 'E', ""},
      {"e:", false, 'E', ""},
      {"D:", true, 'D', ""},
      {"d", true, 'D', ""},
      {"/dev/sg0", false, 0, "/dev/sg0 is not an optical drive"},
      {"/dev/sda", false, 0, "/dev/sda is not an optical drive"},
      {"/dev/sr7", false, 0, "--device /dev/sr7: No such file or directory"},
      {"/dev/sr0", true, 0, "named by their letters"},
  };
  for (const auto& c : cases) {
    const DeviceChoice choice = ChooseDevice(c.name, c.sim, root);
    EXPECT_EQ(choice.letter, c.letter) << c.name;
    EXPECT_NE(choice.error.find(c.error), std::string::npos) << c.name << ": " << choice.error;
    EXPECT_EQ(choice.error.empty(), *c.error == '\0') << c.name;
  }
  EXPECT_EQ(RowOfLetter({'D', 'E'}, 'E'), 1);
  EXPECT_EQ(RowOfLetter({'D', 'E'}, 'F'), -1);
}

}  // namespace
