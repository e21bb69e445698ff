// Allocation behaviour of the command transport, measured with a replaced global operator
// new that counts (and on request refuses) allocations made on the calling thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "tests/transport/TinyHost.h"
#include "transport/Aspi.h"

namespace {

thread_local bool tCounting = false;
thread_local long tAllocations = 0;
// >= 0: allocations to let through before refusing exactly one with bad_alloc.
thread_local long tFailAfter = -1;

void* Allocate(std::size_t size) {
  if (tFailAfter == 0) {
    tFailAfter = -1;
    throw std::bad_alloc();
  }
  if (tFailAfter > 0) --tFailAfter;
  if (tCounting) ++tAllocations;
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

class CountAllocations {
 public:
  CountAllocations() {
    tAllocations = 0;
    tCounting = true;
  }
  ~CountAllocations() { tCounting = false; }
  long count() const { return tAllocations; }
};

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace {

using transport_test::TinyHost;

const BYTE kTestUnitReady[16] = {0x00};
const BYTE kInquiry[16] = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};

TEST(ExecSCSICmdAllocation, CounterSeesAnAllocationOnThisThread) {
  long allocations = 0;
  {
    CountAllocations counter;
    auto probe = std::make_unique<int>(7);
    allocations = counter.count();
    EXPECT_EQ(*probe, 7);
  }
  EXPECT_EQ(allocations, 1);
}

TEST(ExecSCSICmdAllocation, PassThroughCommandAllocatesNothing) {
  TinyHost host;  // Windows 2000, no ASPI library: the pass-through path
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  ASSERT_EQ(aspi->SPTIActive, 1);
  ASSERT_EQ(aspi->DeviceCount, 1);
  const int before = host.passThroughCalls;

  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  BYTE answer[36] = {};
  BYTE statusNoData = 0, statusIn = 0;
  long allocations = 0;
  {
    CountAllocations counter;
    statusNoData =
        aspi->ExecSCSICmd(aspi->Devices[0], srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
    statusIn = aspi->ExecSCSICmd(aspi->Devices[0], srb, sense, answer, 36, SRB_DIR_IN, kInquiry, 6);
    allocations = counter.count();
  }
  EXPECT_EQ(statusNoData, SS_COMP);
  EXPECT_EQ(statusIn, SS_COMP);
  EXPECT_EQ(answer[0], 0x05);
  EXPECT_EQ(host.passThroughCalls - before, 2);
  EXPECT_EQ(allocations, 0);
}

TEST(ExecSCSICmdAllocation, StandbyCommandAllocatesNothing) {
  TinyHost host;
  host.platformId = VER_PLATFORM_WIN32_WINDOWS;  // Windows 98 without a library
  host.majorVersion = 4;
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  ASSERT_EQ(aspi->SPTIActive, 0);
  DeviceEntry entry{};
  entry.DeviceType = DTYPE_CDROM;

  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  BYTE status = 0;
  long allocations = 0;
  {
    CountAllocations counter;
    status = aspi->ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
    allocations = counter.count();
  }
  EXPECT_EQ(status, SS_NO_ASPI);
  EXPECT_EQ(allocations, 0);
}

// The completion event cannot be created: the message box is shown, construction completes,
// and no command is ever sent (nor reported as a success).
TEST(AspiConstruction, EventCreationFailureShowsTheBoxAndSendsNothing) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system creates events without this program's operator new";
#endif
  bool constructed = false;
  for (long skip = 0; skip < 8 && !constructed; ++skip) {
    TinyHost host;  // Windows 2000 without a library: the pass-through path
    platform::ScopedHost installed(host);
    // The last device the SPTI part tries is "\\.\Z:" for reading; after it only the row
    // array, the command lock and the event are created before the path choice. Refuse one
    // of those allocations, the next one on every round.
    host.onOpen = [skip](const char* name, DWORD access) {
      if (std::strcmp(name, "\\\\.\\Z:") == 0 && access == GENERIC_READ) tFailAfter = skip;
    };
    std::unique_ptr<Aspi> aspi;
    try {
      aspi = std::make_unique<Aspi>();
    } catch (const std::bad_alloc&) {
      tFailAfter = -1;
      continue;  // an allocation before the event was refused; try the next one
    }
    tFailAfter = -1;
    if (aspi->CompletionEvent != nullptr) continue;
    constructed = true;

    ASSERT_EQ(host.boxCaptions.size(), 1u);
    EXPECT_EQ(host.boxCaptions[0], "Help Debugging Morrow's Aspi Layer");
    EXPECT_EQ(host.boxTexts[0],
              "Couldn't create F&*$%ng Handle\nContact me : support@tessaly.example\n"
              "Explain how you got to this situation");

    const int before = host.passThroughCalls;
    DeviceEntry entry = aspi->DeviceTable[0];
    entry.DeviceType = DTYPE_CDROM;
    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = SS_COMP;  // whatever the block held must not come back as success
    SenseResult sense{1, 2, 3, 4};
    const BYTE status =
        aspi->ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, kTestUnitReady, 6);
    EXPECT_EQ(status, SS_FAILED_INIT);
    EXPECT_EQ(srb.SRB_Status, SS_FAILED_INIT);
    EXPECT_EQ(host.passThroughCalls, before);
    const BYTE zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&sense, zero, 4), 0);
  }
  EXPECT_TRUE(constructed) << "no refused allocation left the chain without its event";
}

}  // namespace
