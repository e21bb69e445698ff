// A completion signal that arrives before the block is finished (an earlier block's late
// signal) must not end the wait: ExecSCSICmd returns the block's final status and data.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "tests/transport/TinyHost.h"
#include "transport/Aspi.h"

namespace transport_test {
namespace {

std::thread gCompleter;

DWORD NoAdapters() {
  return DWORD{SS_COMP} << 8;
}

// Signals the event at once, as a late signal of an earlier block would, and finishes the
// block a little later on a thread of its own.
DWORD StaleSignalThenComplete(LPVOID block) {
  auto* srb = static_cast<SRB_ExecSCSICmd*>(block);
  if (srb->SRB_Cmd != SC_EXEC_SCSI_CMD) {
    srb->SRB_Status = SS_INVALID_SRB;
    return SS_INVALID_SRB;
  }
  HANDLE event = srb->SRB_PostProc;
  SetEvent(event);
  gCompleter = std::thread([srb, event] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    BYTE* data = srb->SRB_BufPointer;
    data[0] = 0x77;
    srb->SRB_TargStat = STATUS_GOOD;
    std::atomic_ref<BYTE>(srb->SRB_Status).store(SS_COMP, std::memory_order_release);
    SetEvent(event);
  });
  return SS_PENDING;
}

FARPROC Entry(DWORD (*function)()) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}
FARPROC Entry(DWORD (*function)(LPVOID)) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

TEST(CompletionWait, EarlySignalDoesNotEndTheWait) {
  TinyHost host;
  host.platformId = VER_PLATFORM_WIN32_WINDOWS;  // Windows 98 with the library
  host.majorVersion = 4;
  host.modules.push_back({"C:\\WINNT\\system32\\wnaspi32.dll",
                          {{"GetASPI32SupportInfo", Entry(&NoAdapters)},
                           {"SendASPI32Command", Entry(&StaleSignalThenComplete)}}});
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  ASSERT_TRUE(aspi->AspiLoaded());
  ASSERT_EQ(aspi->SPTIActive, 0);

  DeviceEntry entry{};
  entry.DeviceType = DTYPE_CDROM;
  entry.Target = 1;
  alignas(16) BYTE buffer[16] = {};
  const BYTE cdb[16] = {0x12, 0x00, 0x00, 0x00, 0x10, 0x00};
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE status = aspi->ExecSCSICmd(entry, srb, sense, buffer, 16, SRB_DIR_IN, cdb, 6);
  if (gCompleter.joinable()) gCompleter.join();
  EXPECT_EQ(status, SS_COMP);
  EXPECT_EQ(buffer[0], 0x77);
}

}  // namespace
}  // namespace transport_test
