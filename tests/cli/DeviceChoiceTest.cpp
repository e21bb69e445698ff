// --device: Linux device names and drive letters to the drive they stand for, and every name
// that stands for none refused with its path and the reason.
#include "cli/DeviceChoice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/platform/FakeSysfs.h"

namespace {

using Kind = NodeFacts::Kind;

TEST(DeviceChoiceTest, NodesLinksGenericDevicesAndLetters) {
  platform::testing::TemporaryFolder folder;
  platform::testing::FakeSysfs tree(folder.path());
  const std::string root = std::filesystem::canonical(folder.path()).string();
  // The tree holds the names; what each node is comes from the table below, as stat would
  // tell it (device nodes cannot be made without privileges).
  const std::map<std::string, NodeFacts> nodes = {
      {"/dev/sr0", {Kind::BlockDevice, 11, 0, true, "cdrom"}},
      {"/dev/sr1", {Kind::BlockDevice, 11, 1, true, "cdrom"}},
      {"/dev/sr2", {Kind::BlockDevice, 11, 2, false, "optical"}},  // not for this user
      {"/dev/sr9", {Kind::BlockDevice, 11, 9, true, "cdrom"}},
      {"/dev/sg2", {Kind::CharDevice, 21, 2, true, "disk"}},
      {"/dev/sg3", {Kind::CharDevice, 21, 3, true, "disk"}},
      {"/dev/sg0", {Kind::CharDevice, 21, 0, true, "disk"}},
      {"/dev/sda", {Kind::BlockDevice, 8, 0, true, "disk"}},
      {"/dev/loop0", {Kind::BlockDevice, 7, 0, true, "disk"}},
      {"/dev/null", {Kind::CharDevice, 1, 3, true, "root"}},
      {"/dev/notes", {Kind::Regular, 0, 0, true, "root"}},
      {"/dev/fifo", {Kind::Other, 0, 0, true, "root"}},
      {"/dev/folder", {Kind::Directory, 0, 0, true, "root"}},
      {"/elsewhere/optical", {Kind::BlockDevice, 11, 0, false, "cdrom"}},
  };
  for (const auto& [path, facts] : nodes)
    if (facts.kind != Kind::Directory) tree.File(path, "");
  tree.Folder("/dev/folder");
  std::filesystem::create_symlink("sr1", root + "/dev/cdrom");
  std::filesystem::create_symlink("sr7", root + "/dev/dangling");
  tree.File("/sys/class/scsi_generic/sg2/device/block/sr1/size", "0\n");  // an optical drive
  tree.File("/sys/class/scsi_generic/sg3/device/block/sr2/size", "0\n");
  tree.File("/sys/class/scsi_generic/sg0/device/block/sda/size", "0\n");  // a hard disk
  tree.Folder("/sys/devices/virtual/mem/null");
  std::filesystem::create_directories(root + "/sys/dev/char");
  std::filesystem::create_symlink("../../devices/virtual/mem/null", root + "/sys/dev/char/1:3");
  const NodeInspector inspect = [&](const std::string& path) {
    const auto node = nodes.find(path.substr(root.size()));
    return node == nodes.end() ? NodeFacts{} : node->second;
  };

  const struct {
    const char* name;
    bool sim;
    char letter;
    const char* error;  // the whole of it
  } cases[] = {
      {"/dev/sr0", false, 'D', ""},
      {"/dev/sr1", false, 'E', ""},
      {"/dev/cdrom", false, 'E', ""},
      {"/dev/sg2", false, 'E', ""},
      {"e:", false, 'E', ""},
      {"D:", true, 'D', ""},
      {"d", true, 'D', ""},
      {"/dev/sr4", true, 'H', ""},  // the simulated drives' /dev/srN
      {"/dev/sr7", false, 0, "--device /dev/sr7: no such file"},
      {"/dev/dangling", false, 0, "--device /dev/dangling: no such file"},
      {"/dev/notes", false, 0, "--device /dev/notes: a regular file, not a device"},
      {"/dev/folder", false, 0, "--device /dev/folder: a directory, not a device"},
      {"/dev/fifo", false, 0, "--device /dev/fifo: not a device (a FIFO or socket)"},
      {"/dev/null", false, 0,
       "--device /dev/null: a character device (null), not an optical drive"},
      {"/dev/loop0", false, 0, "--device /dev/loop0: a loop device (7:0), not an optical drive"},
      {"/dev/sda", false, 0,
       "--device /dev/sda: a block device (8:0, a disk or the like), not an optical drive"},
      {"/dev/sg0", false, 0,
       "--device /dev/sg0: a SCSI generic device (21:0) of something that is not an optical "
       "drive"},
      {"/dev/sr2", false, 0,
       "--device /dev/sr2: permission denied: reading it needs membership of its group optical "
       "(sudo usermod -aG optical $USER, then log in again)"},
      {"/dev/sg3", false, 0,  // the drive behind it is what is read
       "--device /dev/sg3: permission denied: reading it needs membership of its group optical "
       "(sudo usermod -aG optical $USER, then log in again)"},
      {"/elsewhere/optical", false, 0,
       "--device /elsewhere/optical: permission denied: reading it needs membership of its group "
       "cdrom (sudo usermod -aG cdrom $USER, then log in again)"},
      {"/dev/sda", true, 0,
       "--device /dev/sda: the simulated machine's drives are named by their letters (D:) or "
       "/dev/srN (/dev/sr0 for D:)"},
  };
  for (const auto& c : cases) {
    const DeviceChoice choice = ChooseDevice(c.name, c.sim, root, inspect);
    EXPECT_EQ(choice.letter, c.letter) << c.name;
    EXPECT_EQ(choice.error, c.error) << c.name;
  }
  EXPECT_EQ(RowOfLetter({'D', 'E'}, 'E'), 1);
  EXPECT_EQ(RowOfLetter({'D', 'E'}, 'F'), -1);
}

TEST(DeviceChoiceTest, RowsOfTheListFoundOrRefusedAgainstTheList) {
  const std::vector<char> simulated = {'D', 'E', 'F', 'G', 'H'};
  std::string error;
  EXPECT_EQ(RowOfDevice("/dev/sr4", true, simulated, "", error), 4);
  EXPECT_EQ(RowOfDevice("/dev/sr7", true, simulated, "", error), -1);
  EXPECT_EQ(error,
            "--device /dev/sr7 (K:): the simulated machine has no such drive; its drives are D: to "
            "H: (/dev/sr0 to /dev/sr4)");
  EXPECT_EQ(DriveRowMissing(99, 5), "velmark-cli: there is no drive 99: the list has 5 (0 to 4)");
  EXPECT_EQ(DriveRowMissing(1, 1), "velmark-cli: there is no drive 1: the list has 1 (0)");
}

}  // namespace
