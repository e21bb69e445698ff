// The cost of one 27-block READ(10) through the whole command stack on a zero-latency
// simulated drive, on both command paths, beside a bare memcpy of the same 27 x 2048 bytes.
// The drive's own copy of the data is one such memcpy; the rest of the stack is what the
// difference shows.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "drive/FileMMCSeq.h"
#include "drive/ReadRequest.h"
#include "platform/Host.h"
#include "scsi/Opcodes.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/Disc.h"
#include "sim/scsi/SimDrive.h"
#include "sim/win32/SimHost.h"

namespace {

constexpr DWORD kBlocks = 27;
constexpr DWORD kBlockSize = 2048;
constexpr DWORD kBytes = kBlocks * kBlockSize;
constexpr LONG kLba = 100000;

enum class Path { AspiManager, PassThrough };

std::shared_ptr<sim::SimDrive> ZeroLatencyDrive() {
  sim::SimDriveConfig config;
  config.timing = sim::DriveTiming::ZeroLatency();
  config.powerOnAttention = false;
  auto drive = std::make_shared<sim::SimDrive>(config);
  drive->SetRecording(false);
  return drive;
}

sim::SimProfile ProfileFor(Path path, std::shared_ptr<sim::ScsiTarget> drive) {
  sim::SimProfile profile =
      path == Path::AspiManager ? sim::SimProfile::Windows98() : sim::SimProfile::Windows2000(true);
  profile.AddDrive('D', sim::ScsiAddress{0, 0, 1, 0}, std::move(drive));
  profile.recordCalls = false;  // the machine keeps no record of the calls it answers
  return profile;
}

struct Stack {
  explicit Stack(Path path)
      : drive(ZeroLatencyDrive()), host(ProfileFor(path, drive)), installed(host), chain() {}
  std::shared_ptr<sim::SimDrive> drive;
  sim::SimHost host;
  platform::ScopedHost installed;
  FileMMCSeq chain;
};

void BM_BareMemcpy(benchmark::State& state) {
  std::vector<BYTE> from(kBytes, 0x5A), to(kBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_BareMemcpy);

// The drive alone: one READ(10) handed straight to the simulated drive.
void BM_DriveOnly(benchmark::State& state) {
  auto drive = ZeroLatencyDrive();
  std::vector<BYTE> buffer(kBytes);
  const BYTE cdb[16] = {scsi::op::kRead10,
                        0,
                        BYTE(kLba >> 24),
                        BYTE(kLba >> 16),
                        BYTE(kLba >> 8),
                        BYTE(kLba),
                        0,
                        0,
                        kBlocks};
  sim::ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = 10;
  request.direction = sim::DataDirection::In;
  request.data = buffer.data();
  request.dataLength = kBytes;
  for (auto _ : state) {
    sim::ScsiReply reply = drive->Execute(request);
    if (reply.status != 0) state.SkipWithError("READ(10) failed in the drive");
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_DriveOnly);

// One Read10 through MMC, ExecSCSICmd, the path and the simulated machine.
void BM_Read10(benchmark::State& state, Path path) {
  Stack stack(path);
  if (stack.chain.DeviceCount != 1) {
    state.SkipWithError("no drive found");
    return;
  }
  DeviceEntry& device = stack.chain.Devices[0];
  std::vector<BYTE> buffer(kBytes);
  SenseResult sense{};
  for (auto _ : state) {
    if (stack.chain.Read10(device, kLba, kBlocks, buffer.data(), kBytes, &sense) != SS_COMP) {
      state.SkipWithError("READ(10) failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK_CAPTURE(BM_Read10, AspiManager, Path::AspiManager)->UseRealTime();
BENCHMARK_CAPTURE(BM_Read10, PassThrough, Path::PassThrough)->UseRealTime();

// The same command as the read loop sends it: ReadBlocks for one 27-block command, with a
// progress callback, through the chain's virtual operation.
struct Progress {
  DWORD calls = 0;
  BYTE OnProgress(ReadCallbackInfo&) {
    ++calls;
    return 0;
  }
};

void BM_ReadBlocks(benchmark::State& state, Path path) {
  Stack stack(path);
  if (stack.chain.DeviceCount != 1) {
    state.SkipWithError("no drive found");
    return;
  }
  std::vector<BYTE> buffer(kBytes);
  BYTE blockStatus[kBlocks];
  SenseResult sense{};
  Progress progress;
  ReadRequest request{};
  request.device = &stack.chain.Devices[0];
  request.startLba = kLba;
  request.blockCount = kBlocks;
  request.commandBuffer = buffer.data();
  request.blockSize = kBlockSize;
  request.sense = &sense;
  request.readMode = kReadModeRead10;
  request.blocksPerCommand = kBlocks;
  request.blockStatus = blockStatus;
  request.onProgress = ReadCallback::Bind<Progress, &Progress::OnProgress>(&progress);
  ReadCDSeq& slots = stack.chain;
  for (auto _ : state) {
    if (slots.ReadBlocks(&request) != SS_COMP) {
      state.SkipWithError("ReadBlocks failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK_CAPTURE(BM_ReadBlocks, AspiManager, Path::AspiManager)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadBlocks, PassThrough, Path::PassThrough)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
