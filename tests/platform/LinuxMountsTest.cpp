// A mounted disc found in a mount table of our own, by device number or by path.
#include "platform/LinuxMounts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace {

TEST(LinuxMountsTest, TheDiscsMountPointIsFoundInTheTable) {
  const std::string table = ::testing::TempDir() + "velmark-mounts-" + std::to_string(getpid());
  std::ofstream(table) << "proc /proc proc rw 0 0\n"
                          "/dev/sda1 / ext4 rw 0 0\n"
                          "/dev/velmark-test-sr1 /media/My\\040Disc iso9660 ro 0 0\n"
                          "/dev/velmark-test-sr0 /media/cdrom udf ro 0 0\n";
  const struct {
    const char* node;
    const char* mountPoint;
  } cases[] = {{"/dev/velmark-test-sr0", "/media/cdrom"},
               {"/dev/velmark-test-sr1", "/media/My Disc"},  // the table's escapes undone
               {"/dev/velmark-test-sr2", ""},
               {"", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(platform::MountPointOf(c.node, table), c.mountPoint) << c.node;
    const std::string note = platform::MountedDiscNote(c.node, table);
    EXPECT_EQ(note.empty(), *c.mountPoint == '\0') << note;
    if (!note.empty()) {
      EXPECT_NE(note.find(c.mountPoint), std::string::npos) << note;
    }
  }
  std::remove(table.c_str());
}

}  // namespace
