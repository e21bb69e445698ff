// What the Linux host adds to one 27-block READ(10) pass-through call beside the SG_IO
// itself: the handle lookup, the block checks, whatever it reads about the device, the
// trace record. The kernel is a stand-in whose SG_IO copies the data as a DMA would; the
// device's sysfs folder is a real folder in a temporary directory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/LinuxHost.h"
#include "platform/LinuxSystem.h"

namespace {

constexpr unsigned kBytes = 27 * 2048;

// Answers every SG_IO with GOOD status after filling the data area.
class CopyingKernel : public platform::LinuxSystem {
 public:
  int Open(const char*, int) override { return 3; }
  int Close(int) override { return 0; }
  int Ioctl(int, unsigned long request, void* argument) override {
    if (request != SG_IO) return -ENOTTY;
    auto* header = static_cast<sg_io_hdr_t*>(argument);
    if (header->dxfer_len > source_.size()) return -EINVAL;
    std::memcpy(header->dxferp, source_.data(), header->dxfer_len);
    header->status = 0;
    header->host_status = 0;
    header->driver_status = 0;
    header->resid = 0;
    header->sb_len_wr = 0;
    return 0;
  }

 private:
  std::vector<unsigned char> source_ = std::vector<unsigned char>(kBytes, 0x5A);
};

// /sys/block/sr0 with a device link and the queue limits of a libata drive.
struct DriveFolder {
  DriveFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmark-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    root = pattern;
    const std::string block = root + "/sys/block/sr0";
    std::filesystem::create_directories(block + "/queue");
    std::filesystem::create_directories(root + "/sys/class/scsi_host/host0");
    std::filesystem::create_directories(root + "/dev");
    std::filesystem::create_symlink("../../devices/pci0000:00/host0/target0:0:0/0:0:0:0",
                                    block + "/device");
    std::ofstream(block + "/queue/dma_alignment") << "511\n";
    std::ofstream(block + "/queue/max_sectors_kb") << "128\n";
    std::ofstream(block + "/queue/max_hw_sectors_kb") << "128\n";
    std::ofstream(block + "/queue/max_segments") << "128\n";
    std::ofstream(root + "/dev/sr0");
  }
  ~DriveFolder() {
    std::error_code error;
    if (!root.empty()) std::filesystem::remove_all(root, error);
  }
  std::string root;
};

void BM_LinuxPassThroughRead10(benchmark::State& state) {
  DriveFolder folder;
  CopyingKernel kernel;
  platform::LinuxHostOptions options;
  options.root = folder.root;
  options.system = &kernel;
  options.configHome = folder.root + "/config";
  platform::LinuxHost host(std::move(options));
  platform::ScopedHost installed(host);
  HANDLE drive =
      CreateFileA("\\\\.\\D:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (drive == INVALID_HANDLE_VALUE) {
    state.SkipWithError("the drive did not open");
    return;
  }
  alignas(4096) static unsigned char data[kBytes];
  struct {
    SCSI_PASS_THROUGH_DIRECT spt;
    ULONG filler;
    UCHAR sense[32];
  } block{};
  for (auto _ : state) {
    block.spt.Length = sizeof(block.spt);
    block.spt.CdbLength = 10;
    block.spt.SenseInfoLength = sizeof(block.sense);
    block.spt.DataIn = SCSI_IOCTL_DATA_IN;
    block.spt.DataTransferLength = kBytes;
    block.spt.TimeOutValue = 30;
    block.spt.DataBuffer = data;
    block.spt.SenseInfoOffset = offsetof(decltype(block), sense);
    block.spt.Cdb[0] = 0x28;
    block.spt.Cdb[8] = 27;
    DWORD returned = 0;
    if (!DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof(block), &block,
                         sizeof(block), &returned, nullptr)) {
      state.SkipWithError("the pass-through call failed");
      break;
    }
    benchmark::DoNotOptimize(data);
    benchmark::ClobberMemory();
  }
  CloseHandle(drive);
}
BENCHMARK(BM_LinuxPassThroughRead10);

}  // namespace

BENCHMARK_MAIN();
