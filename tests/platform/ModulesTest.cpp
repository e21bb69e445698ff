// Modules and the version record through a fake host.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/platform/FakeHost.h"

namespace {

using platform::testing::FakeHost;

// Entry points have the calling convention of FARPROC: stdcall on 32-bit Windows.
#ifdef _WIN32
#define ENTRY_POINT WINAPI
#else
#define ENTRY_POINT
#endif

INT_PTR ENTRY_POINT EntryOne() {
  return 1;
}
INT_PTR ENTRY_POINT EntryTwo() {
  return 2;
}

TEST(ModuleTest, LoadsResolvesAndFrees) {
  FakeHost host;
  host.modules["wnaspi32.dll"] = {{"GetASPI32SupportInfo", &EntryOne},
                                  {"SendASPI32Command", &EntryTwo}};
  platform::ScopedHost installed(host);

  HMODULE module = LoadLibraryA("wnaspi32.dll");
  ASSERT_NE(module, nullptr);
  FARPROC one = GetProcAddress(module, "GetASPI32SupportInfo");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one(), 1);
  EXPECT_EQ(GetProcAddress(module, "SendASPI32Command"), &EntryTwo);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetProcAddress(module, "IdentifyYourself"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetProcAddress(module, "GetASPI32SupportInfo"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ModuleTest, MissingLibraryFailsWithTheHostsError) {
  FakeHost host;
  platform::ScopedHost installed(host);
  EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\SYSTEM\\wnaspi32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  ASSERT_EQ(host.loadAttempts.size(), 1u);
  EXPECT_EQ(host.loadAttempts[0], "C:\\WINDOWS\\SYSTEM\\wnaspi32.dll");
}

TEST(ModuleTest, AnEventHandleIsNotAModule) {
  FakeHost host;
  platform::ScopedHost installed(host);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_FALSE(FreeLibrary(static_cast<HMODULE>(event)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(event));  // still open: FreeLibrary did not take it
}

TEST(VersionTest, FillsFromTheHostAndChecksTheSize) {
  FakeHost host;
  platform::ScopedHost installed(host);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = 148;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwMinorVersion, 10u);

  OSVERSIONINFOA wrong{};
  wrong.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(GetVersionExA(&wrong));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(wrong.dwPlatformId, 0u);
}

TEST(SystemDirectoryTest, CopiesOrAsksForRoom) {
  FakeHost host;
  platform::ScopedHost installed(host);
  char buffer[MAX_PATH];
  EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), 17u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
  char small[4] = "abc";
  EXPECT_EQ(GetSystemDirectoryA(small, sizeof(small)), 18u);  // room needed, nothing copied
  EXPECT_STREQ(small, "abc");
}

TEST(ErrorModeTest, ReturnsThePreviousMode) {
  FakeHost host;
  platform::ScopedHost installed(host);
  EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
  EXPECT_EQ(SetErrorMode(0), SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(0), 0u);
}

}  // namespace
