// The simulated machine's profile as the program sees it through the Win32 subset: the
// version record, the system directory, where libraries load from, the clock, registry,
// message boxes and the security calls.
#include <gtest/gtest.h>

#include <chrono>

#include "SimHostTestSupport.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/ScriptedTarget.h"

namespace {

TEST(SimHostVersionTest, EachWindowsVersionHasItsRecord) {
  struct Case {
    sim::SimProfile profile;
    DWORD platformId, major, minor;
  };
  const Case cases[] = {
      {sim::SimProfile::Windows95(), 1, 4, 0},  {sim::SimProfile::Windows98(), 1, 4, 10},
      {sim::SimProfile::WindowsNT4(), 2, 4, 0}, {sim::SimProfile::Windows2000(), 2, 5, 0},
      {sim::SimProfile::WindowsXP(), 2, 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.profile.version));
    sim::SimHost host(c.profile);
    platform::ScopedHost installed(host);
    OSVERSIONINFOA info;
    std::memset(&info, 0xEE, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, c.platformId);
    EXPECT_EQ(info.dwMajorVersion, c.major);
    EXPECT_EQ(info.dwMinorVersion, c.minor);
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof(info));
    EXPECT_LT(std::strlen(info.szCSDVersion), sizeof(info.szCSDVersion));
  }
}

TEST(SimHostVersionTest, ForGivesTheSameMachinesAsTheNamedHelpers) {
  EXPECT_EQ(sim::SimProfile::For(sim::WindowsVersion::Windows98).minorVersion, 10u);
  EXPECT_FALSE(sim::SimProfile::For(sim::WindowsVersion::WindowsXP, false).administrator);
  EXPECT_EQ(sim::SimProfile::For(sim::WindowsVersion::WindowsNT4).majorVersion, 4u);
}

TEST(SimHostSystemDirectoryTest, AnswersAsGetSystemDirectoryA) {
  const std::string longPath = "C:\\A VERY LONG WINDOWS DIRECTORY NAME\\FOR THE CUT\\system32";
  ASSERT_GT(longPath.size() + std::strlen("\\wnaspi32.dll"), 49u);
  sim::SimHost host(sim::SimProfile::Windows2000().WithSystemDirectory(longPath));
  platform::ScopedHost installed(host);
  char buffer[MAX_PATH];
  EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), longPath.size());
  EXPECT_EQ(std::string(buffer), longPath);
  char small[8] = "xxxxxxx";
  EXPECT_EQ(GetSystemDirectoryA(small, sizeof(small)), longPath.size() + 1);  // size needed

  sim::SimHost none(sim::SimProfile::Windows2000().WithSystemDirectory(""));
  platform::ScopedHost installedNone(none);
  EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), 0u);
}

// Which names load for each placement of the ASPI library.
TEST(SimHostLibraryTest, PlacementDecidesWhichNamesLoad) {
  const std::string sysdir = "C:\\WINNT\\system32";
  const std::string full = sysdir + "\\wnaspi32.dll";
  struct Case {
    sim::AspiPlacement placement;
    bool byFullPath, byPlainName, byNtName;
  };
  const Case cases[] = {
      {sim::AspiPlacement::SystemDirectory, true, true, false},
      {sim::AspiPlacement::SearchPath, false, true, false},
      {sim::AspiPlacement::NtAspiOnly, false, false, true},
      {sim::AspiPlacement::None, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.placement));
    sim::SimHost host(
        sim::SimProfile::Windows2000().WithSystemDirectory(sysdir).WithAspi(c.placement));
    platform::ScopedHost installed(host);
    struct Name {
      std::string name;
      bool loads;
    };
    const Name names[] = {{full, c.byFullPath},
                          {"wnaspi32.dll", c.byPlainName},
                          {"WNASPI32.DLL", c.byPlainName},
                          {"wnaspi32", c.byPlainName},
                          {"ntaspi32.dll", c.byNtName},
                          {"D:\\elsewhere\\wnaspi32.dll", false}};
    for (const Name& n : names) {
      SCOPED_TRACE(n.name);
      SetLastError(0);
      HMODULE module = LoadLibraryA(n.name.c_str());
      EXPECT_EQ(module != nullptr, n.loads);
      if (module == nullptr) {
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
        continue;
      }
      EXPECT_NE(GetProcAddress(module, "SendASPI32Command"), nullptr);
      EXPECT_TRUE(FreeLibrary(module));
    }
    EXPECT_EQ(host.LoadedModules(), 0);
    auto loads = host.ModuleLoads();
    ASSERT_EQ(loads.size(), std::size(names));
    EXPECT_EQ(loads[0].name, full);
  }
}

TEST(SimHostLibraryTest, Cdr4dllLoadsByItsBareNameWhenInstalled) {
  for (bool installedLibrary : {true, false}) {
    SCOPED_TRACE(installedLibrary);
    sim::SimHost host(sim::SimProfile::WindowsXP().WithCdr4(installedLibrary));
    platform::ScopedHost installed(host);
    HMODULE module = LoadLibraryA("cdr4dll");
    ASSERT_EQ(module != nullptr, installedLibrary);
    if (module == nullptr) continue;
    const char* entries[] = {"_CDR4VSDStartFileSystemBlocking@4", "_CDR4VSDEndFileSystemBlocking@4",
                             "_CDR4VSDQueryFileSystemBlocking@4", "_CDR4VSDReserveDevice@8",
                             "_CDR4VSDReleaseDevice@4",           "_CDR4VSDQueryReserve@12"};
    for (const char* entry : entries) EXPECT_NE(GetProcAddress(module, entry), nullptr) << entry;
    EXPECT_EQ(GetProcAddress(module, "SendASPI32Command"), nullptr);
    auto reserve = simtest::Resolve<BOOL (*)(DWORD, DWORD)>(module, "_CDR4VSDReserveDevice@8");
    EXPECT_TRUE(reserve(1, 2));
    EXPECT_EQ(host.Cdr4Calls(), std::vector<std::string>{"_CDR4VSDReserveDevice@8"});
    FreeLibrary(module);
  }
}

TEST(SimHostLibraryTest, MissingEntriesAreNotExported) {
  sim::SimHost host(sim::SimProfile::Windows95().WithoutAspiEntries(
      {"SendASPI32Command", "TranslateASPI32Address"}));
  platform::ScopedHost installed(host);
  HMODULE module = LoadLibraryA("wnaspi32.dll");
  ASSERT_NE(module, nullptr);
  struct Case {
    const char* name;
    bool present;
  };
  const Case cases[] = {{"GetASPI32SupportInfo", true},    {"SendASPI32Command", false},
                        {"GetASPI32Buffer", true},         {"FreeASPI32Buffer", true},
                        {"TranslateASPI32Address", false}, {"IdentifyYourself", true},
                        {"sendaspi32command", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetProcAddress(module, c.name) != nullptr, c.present) << c.name;
  }
  FreeLibrary(module);
}

TEST(SimHostClockTest, VirtualTimeMovesOnlyWhenAdvanced) {
  sim::SimProfile profile = sim::SimProfile::Windows2000();
  profile.calendarStart = 1'000'000;
  auto drive = std::make_shared<sim::ScriptedTarget>();
  drive->Then(sim::ScriptedStep::Good().Service(1'500'000));
  profile.AddTarget({0, 0, 0, 0}, drive);
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);

  EXPECT_EQ(timeGetTime(), 0u);
  EXPECT_EQ(platform::time(nullptr), 1'000'000);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(timeGetTime(), 0u);  // the wall clock does not move it

  auto wallBefore = std::chrono::steady_clock::now();
  Sleep(250);
  EXPECT_LT(std::chrono::steady_clock::now() - wallBefore, std::chrono::milliseconds(200));
  EXPECT_EQ(timeGetTime(), 250u);

  host.AdvanceMilliseconds(1000);
  EXPECT_EQ(timeGetTime(), 1250u);
  EXPECT_EQ(platform::time(nullptr), 1'000'001);

  BYTE cdb[16] = {};
  sim::ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = 6;
  host.Execute({0, 0, 0, 0}, request);  // the drive's service time passes
  EXPECT_EQ(timeGetTime(), 2750u);
  EXPECT_EQ(platform::time(nullptr), 1'000'002);
  EXPECT_EQ(drive->Commands()[0].nowMicros, 1'250'000u);
}

TEST(SimHostClockTest, MillisecondsWrapAsTheRealCounterDoes) {
  sim::SimClock clock(sim::ClockMode::Virtual, 0);
  clock.Advance((std::uint64_t{1} << 32) * 1000 + 5000);
  EXPECT_EQ(clock.Milliseconds(), 5u);
  EXPECT_EQ(clock.CalendarSeconds(), static_cast<std::int64_t>((std::uint64_t{1} << 32) / 1000));
}

TEST(SimHostClockTest, RealTimeSleepsForServiceTimes) {
  sim::SimProfile profile = sim::SimProfile::Windows2000().WithClock(sim::ClockMode::RealTime);
  auto drive = std::make_shared<sim::ScriptedTarget>();
  drive->Then(sim::ScriptedStep::Good().Service(30'000));
  profile.AddTarget({0, 0, 0, 0}, drive);
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  auto start = std::chrono::steady_clock::now();
  DWORD before = timeGetTime();
  Sleep(20);
  BYTE cdb[16] = {};
  sim::ScsiRequest request;
  request.cdb = cdb;
  host.Execute({0, 0, 0, 0}, request);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  EXPECT_GE(timeGetTime() - before, 50u);
}

TEST(SimHostRegistryTest, WritesAreRecordedAndKeysCreatedOnce) {
  sim::SimHost host(sim::SimProfile::WindowsXP());
  platform::ScopedHost installed(host);
  for (DWORD expected : {REG_CREATED_NEW_KEY, REG_OPENED_EXISTING_KEY}) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test\\Key", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, expected);
    const char value[] = "0.99";
    EXPECT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             sizeof(value)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  auto writes = host.RegistryWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].key, "HKEY_CURRENT_USER\\Software\\Test\\Key");
  EXPECT_EQ(writes[0].name, "Version");
  EXPECT_EQ(writes[0].type, REG_SZ);
  EXPECT_EQ(writes[0].data, (std::vector<BYTE>{'0', '.', '9', '9', 0}));
}

TEST(SimHostRegistryTest, KeyCreationCanFail) {
  sim::SimProfile profile = sim::SimProfile::WindowsXP(false);
  profile.registryCreateError = ERROR_ACCESS_DENIED;
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  HKEY key = nullptr;
  DWORD disposition = 0;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(host.RegistryWrites().empty());
  EXPECT_EQ(host.RegistryKeysCreated().size(), 1u);
}

TEST(SimHostMessageBoxTest, BoxesAreRecordedAndAnswered) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.messageBoxAnswer = 7;
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  EXPECT_EQ(MessageBoxA(nullptr, "Line one\nLine two", "Caption", MB_OK | MB_ICONSTOP), 7);
  auto boxes = host.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Line one\nLine two");
  EXPECT_EQ(boxes[0].caption, "Caption");
  EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONSTOP);
}

TEST(SimHostSecurityTest, CallsAreRecordedInOrderAndCanBeFailed) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(false);
  profile.securityFailures["OpenThreadToken"] = ERROR_NO_TOKEN;
  sim::SimHost host(profile);
  platform::ScopedHost installed(host);
  EXPECT_FALSE(host.UserIsAdministrator());
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
  EXPECT_EQ(GetLastError(), ERROR_NO_TOKEN);
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  CloseHandle(token);
  auto calls = host.SecurityCalls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "OpenThreadToken");
  EXPECT_EQ(calls[1], "OpenProcessToken");
}

TEST(SimHostTargetsTest, DevicesCanBePlacedAndRemovedWhileRunning) {
  sim::SimHost host(sim::SimProfile::Windows2000().AddTarget(
      {0, 0, 1, 0}, std::make_shared<sim::InquiryDevice>()));
  EXPECT_NE(host.TargetAt({0, 0, 1, 0}), nullptr);
  host.RemoveTarget({0, 0, 1, 0});
  EXPECT_EQ(host.TargetAt({0, 0, 1, 0}), nullptr);
  BYTE cdb[16] = {0x12};
  sim::ScsiRequest request;
  request.cdb = cdb;
  EXPECT_FALSE(host.Execute({0, 0, 1, 0}, request).responded);
  auto disk = std::make_shared<sim::InquiryDevice>();
  host.PlaceTarget({0, 0, 1, 0}, disk);
  EXPECT_EQ(host.TargetAt({0, 0, 1, 0}), disk);
  EXPECT_EQ(host.Targets().size(), 1u);
}

TEST(SimHostTargetsTest, AdaptersAreThePortBusPairsInOrder) {
  sim::SimProfile profile = sim::SimProfile::Windows98();
  profile.AddTarget({1, 2, 0, 0}, std::make_shared<sim::InquiryDevice>());  // creates ports 0, 1
  profile.AddTarget({0, 0, 3, 0}, std::make_shared<sim::InquiryDevice>());
  sim::SimHost host(profile);
  auto adapters = host.Adapters();
  ASSERT_EQ(adapters.size(), 4u);
  const std::pair<BYTE, BYTE> expected[] = {{0, 0}, {1, 0}, {1, 1}, {1, 2}};
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    EXPECT_EQ(adapters[i].port, expected[i].first);
    EXPECT_EQ(adapters[i].bus, expected[i].second);
  }
}

}  // namespace
