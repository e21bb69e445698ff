// Events, waits, critical sections, handles and the per-thread last error.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);  // still signalled
  ASSERT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(EventTest, InitialStateSignalled) {
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST(EventTest, AutoResetReleasesOneWait) {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  SetEvent(event);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(EventTest, TimedWaitTimesOutAfterItsLimit) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
  CloseHandle(event);
}

TEST(EventTest, InfiniteWaitReleasedByAnotherThread) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> setterRan{false};
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    setterRan = true;
    SetEvent(event);
  });
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(setterRan);
  setter.join();
  CloseHandle(event);
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) {
    waiters.emplace_back([&] {
      if (WaitForSingleObject(event, 5000) == WAIT_OBJECT_0) ++released;
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  SetEvent(event);
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(released, 4);
  CloseHandle(event);
}

TEST(HandleTest, BadHandlesAreRejected) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system's own waits: INVALID_HANDLE_VALUE is the current process there";
#endif
  struct Case {
    const char* what;
    HANDLE handle;
  };
  int notAnObject = 0;
  const Case cases[] = {{"null", nullptr},
                        {"invalid value", INVALID_HANDLE_VALUE},
                        {"unknown pointer", &notAnObject}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CloseHandle(c.handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SetEvent(c.handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(c.handle, 0), WAIT_FAILED);
  }
}

TEST(HandleTest, ClosedHandleIsGone) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(SetEvent(event));
}

TEST(LastErrorTest, IsKeptPerThread) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system's last error: starting and joining a thread may clear it";
#endif
  SetLastError(ERROR_NOT_READY);
  DWORD seenByOther = 1;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seenByOther, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST(CriticalSectionTest, IsRecursiveForItsOwner) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  ASSERT_NE(section.DebugInfo, nullptr);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_EQ(section.RecursionCount, 2);

  // Another thread cannot enter until both levels are left.
  std::atomic<bool> entered{false};
  std::thread other([&] {
    EnterCriticalSection(&section);
    entered = true;
    LeaveCriticalSection(&section);
  });
  LeaveCriticalSection(&section);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&section);
  other.join();
  EXPECT_TRUE(entered);
  DeleteCriticalSection(&section);
  EXPECT_EQ(section.DebugInfo, nullptr);
}

TEST(CriticalSectionTest, ExcludesConcurrentWriters) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  long counter = 0;  // deliberately not atomic: the section must protect it
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        EnterCriticalSection(&section);
        long value = counter;
        counter = value + 1;
        LeaveCriticalSection(&section);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 80000);
  DeleteCriticalSection(&section);
}

}  // namespace
