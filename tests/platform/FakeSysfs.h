// A fake sysfs and /dev tree in a temporary folder, removed again at the end of the test.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform::testing {

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmark-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code error;
    if (!path_.empty()) {
      // Folders a test made read-only must be writable again to be removed.
      for (auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
        if (entry.is_directory(error)) {
          std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                       std::filesystem::perm_options::add, error);
        }
      }
      std::filesystem::remove_all(path_, error);
    }
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class FakeSysfs {
 public:
  explicit FakeSysfs(const std::string& root) : root_(root) {}

  void AddHost(int host) { Folder("/sys/class/scsi_host/host" + std::to_string(host)); }
  void AddDevice(const std::string& hctl) { Folder("/sys/class/scsi_device/" + hctl); }
  // /dev/srN with its block folder: the device link to H:C:T:L and the queue limits.
  void AddDrive(int drive, const std::string& hctl, const std::string& dmaAlignment = "511",
                const std::string& maxSectorsKb = "128") {
    const std::string block = "/sys/block/sr" + std::to_string(drive);
    Folder(block + "/queue");
    std::filesystem::create_symlink(
        "../../devices/pci0000:00/0000:00:01.1/ata2/host1/target/" + hctl,
        root_ + block + "/device");
    if (!dmaAlignment.empty()) File(block + "/queue/dma_alignment", dmaAlignment + "\n");
    if (!maxSectorsKb.empty()) {
      File(block + "/queue/max_sectors_kb", maxSectorsKb + "\n");
      File(block + "/queue/max_hw_sectors_kb", maxSectorsKb + "\n");
    }
    File("/dev/sr" + std::to_string(drive), "");
  }
  void Folder(const std::string& path) { std::filesystem::create_directories(root_ + path); }
  void File(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(root_ + path).parent_path());
    std::ofstream(root_ + path) << text;
  }

 private:
  std::string root_;
};

}  // namespace platform::testing
