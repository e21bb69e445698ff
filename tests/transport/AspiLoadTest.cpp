// Binding of the ASPI library and of cdr4dll: the search order, the file name, entries
// resolved by name, the stand-by routines and the release.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/transport/Machines.h"

namespace transport_test {
namespace {

template <class T>
class Alone {
 public:
  explicit Alone(sim::SimProfile profile) : host_(std::move(profile)), installed_(host_) {
    object_ = std::make_unique<T>();
  }
  ~Alone() { object_.reset(); }
  sim::SimHost& host() { return host_; }
  T& object() { return *object_; }
  void Destroy() { object_.reset(); }

 private:
  sim::SimHost host_;
  platform::ScopedHost installed_;
  std::unique_ptr<T> object_;
};

std::vector<std::string> LoadNames(const sim::SimHost& host) {
  std::vector<std::string> names;
  for (const auto& load : host.ModuleLoads()) names.push_back(load.name);
  return names;
}

struct SearchCase {
  const char* name;
  sim::SimProfile profile;
  std::vector<std::string> attempts;
  const char* fileName;  // empty: nothing loaded
};

TEST(AspiLoadSearch, SystemDirectoryThenPlainNameThenNtAspiOnNt) {
  const SearchCase cases[] = {
      {"98InSystemDirectory",
       sim::SimProfile::Windows98(),
       {"C:\\WINDOWS\\SYSTEM\\wnaspi32.dll"},
       "C:\\WINDOWS\\SYSTEM\\wnaspi32.dll"},
      {"98OnSearchPath",
       sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::SearchPath),
       {"C:\\WINDOWS\\SYSTEM\\wnaspi32.dll", "wnaspi32.dll"},
       "wnaspi32.dll"},
      {"98WithOnlyNtAspi",
       sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::NtAspiOnly),
       {"C:\\WINDOWS\\SYSTEM\\wnaspi32.dll", "wnaspi32.dll"},
       ""},
      {"2000WithOnlyNtAspi",
       sim::SimProfile::Windows2000().WithAspi(sim::AspiPlacement::NtAspiOnly),
       {"C:\\WINNT\\system32\\wnaspi32.dll", "wnaspi32.dll", "ntaspi32.dll"},
       "ntaspi32.dll"},
      {"2000WithNone",
       sim::SimProfile::Windows2000(),
       {"C:\\WINNT\\system32\\wnaspi32.dll", "wnaspi32.dll", "ntaspi32.dll"},
       ""},
      {"NoSystemDirectory",
       sim::SimProfile::Windows98().WithSystemDirectory(""),
       {"wnaspi32.dll"},
       "wnaspi32.dll"},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    Alone<AspiLoad> m(c.profile);
    AspiLoad& load = m.object();
    EXPECT_EQ(LoadNames(m.host()), c.attempts);
    const bool loaded = c.fileName[0] != '\0';
    EXPECT_EQ(load.AspiLoaded(), loaded);
    EXPECT_EQ(load.AspiLibrary != nullptr, loaded);
    EXPECT_STREQ(load.AspiFileName, c.fileName);
    EXPECT_EQ(load.GetASPI32SupportInfo == &AspiLoad::StandbyGetASPI32SupportInfo, !loaded);
    EXPECT_EQ(load.SendASPI32Command == &AspiLoad::StandbySendASPI32Command, !loaded);
    EXPECT_EQ(load.VersionInfo.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(load.VersionInfo.dwPlatformId, c.profile.platformId);
    EXPECT_EQ(load.VersionInfo.dwMajorVersion, c.profile.majorVersion);
  }
}

TEST(AspiLoadSearch, FileNameCutAtFortyNineCharacters) {
  const std::string directory = "C:\\PROGRAM FILES\\A RATHER LONG WINDOWS FOLDER\\SYSTEM";
  Alone<AspiLoad> m(sim::SimProfile::Windows98().WithSystemDirectory(directory));
  const std::string full = directory + "\\wnaspi32.dll";
  ASSERT_TRUE(m.object().AspiLoaded());
  ASSERT_EQ(LoadNames(m.host()).front(), full);
  EXPECT_EQ(std::string(m.object().AspiFileName), full.substr(0, 49));
  EXPECT_EQ(m.object().AspiFileName[49], '\0');
}

TEST(AspiLoadEntries, MissingEntriesGetStandbys) {
  const std::set<std::string> missing = {"SendASPI32Command", "GetASPI32Buffer",
                                         "IdentifyYourself"};
  Alone<AspiLoad> m(sim::SimProfile::Windows98().WithoutAspiEntries(missing));
  AspiLoad& load = m.object();
  ASSERT_TRUE(load.AspiLoaded());
  EXPECT_NE(load.GetASPI32SupportInfo, &AspiLoad::StandbyGetASPI32SupportInfo);
  EXPECT_EQ(load.SendASPI32Command, &AspiLoad::StandbySendASPI32Command);
  EXPECT_EQ(load.GetASPI32Buffer, &AspiLoad::StandbyGetASPI32Buffer);
  EXPECT_NE(load.FreeASPI32Buffer, &AspiLoad::StandbyFreeASPI32Buffer);
  EXPECT_NE(load.TranslateASPI32Address, &AspiLoad::StandbyTranslateASPI32Address);
  EXPECT_EQ(load.IdentifyYourself, &AspiLoad::StandbyIdentifyYourself);
  // The resolved entry really is the library's: it reports the machine's adapters.
  EXPECT_EQ(load.GetASPI32SupportInfo() >> 8 & 0xFF, SS_COMP);
}

TEST(AspiLoadEntries, LoadAspiKeepsTheLoadedLibrary) {
  Alone<AspiLoad> m(sim::SimProfile::Windows98());
  const HMODULE library = m.object().AspiLibrary;
  const std::size_t loads = m.host().ModuleLoads().size();
  EXPECT_EQ(m.object().LoadAspi("other.dll"), library);
  EXPECT_EQ(m.host().ModuleLoads().size(), loads);
  EXPECT_STREQ(m.object().AspiFileName, "C:\\WINDOWS\\SYSTEM\\wnaspi32.dll");
}

TEST(AspiLoadEntries, UnloadInstallsStandbysAndReleases) {
  Alone<AspiLoad> m(sim::SimProfile::Windows98());
  ASSERT_EQ(m.host().LoadedModules(), 1);
  m.object().UnLoadAspi();
  EXPECT_FALSE(m.object().AspiLoaded());
  EXPECT_EQ(m.host().LoadedModules(), 0);
  EXPECT_EQ(m.object().GetASPI32SupportInfo, &AspiLoad::StandbyGetASPI32SupportInfo);
  EXPECT_EQ(m.object().SendASPI32Command, &AspiLoad::StandbySendASPI32Command);
  EXPECT_EQ(m.object().GetASPI32SupportInfo(), 0xE3u);

  Alone<AspiLoad> destroyed(sim::SimProfile::Windows98());
  ASSERT_EQ(destroyed.host().LoadedModules(), 1);
  destroyed.Destroy();
  EXPECT_EQ(destroyed.host().LoadedModules(), 0);
}

// --- stand-by routines -----------------------------------------------------------------------

void* gPosted = nullptr;
int gPostCount = 0;
void PostRoutine(void* srb) {
  gPosted = srb;
  ++gPostCount;
}

TEST(AspiStandby, SupportInfoReportsNoManager) {
  const DWORD info = AspiLoad::StandbyGetASPI32SupportInfo();
  EXPECT_EQ(info, 0xE3u);
  EXPECT_NE((info >> 8) & 0xFF, SS_COMP);
}

TEST(AspiStandby, SendCompletesExecuteAndResetBlocks) {
  sim::SimHost host(sim::SimProfile::Windows98());
  platform::ScopedHost installed(host);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const struct {
    const char* name;
    BYTE code;
    BYTE flags;
    bool signalled;
    bool posted;
  } cases[] = {
      {"ExecNotify", SC_EXEC_SCSI_CMD, SRB_EVENT_NOTIFY | SRB_DIR_IN, true, false},
      {"ExecPosting", SC_EXEC_SCSI_CMD, SRB_POSTING, false, true},
      {"ExecBothFlagsUsesTheEvent", SC_EXEC_SCSI_CMD, SRB_EVENT_NOTIFY | SRB_POSTING, true, false},
      {"ExecNeither", SC_EXEC_SCSI_CMD, SRB_DIR_OUT, false, false},
      {"ResetNotify", SC_RESET_DEV, SRB_EVENT_NOTIFY, true, false},
      {"ResetPosting", SC_RESET_DEV, SRB_POSTING, false, true},
      {"InquiryOnlyStatus", SC_HA_INQUIRY, SRB_EVENT_NOTIFY, false, false},
      {"DiskInfoOnlyStatus", SC_GET_DISK_INFO, SRB_POSTING, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEvent(event);
    gPosted = nullptr;
    gPostCount = 0;
    alignas(8) BYTE block[138] = {};
    block[0] = c.code;
    block[3] = c.flags;
    void* postProc = (c.flags & SRB_POSTING) != 0 && (c.flags & SRB_EVENT_NOTIFY) == 0
                         ? reinterpret_cast<void*>(&PostRoutine)
                         : static_cast<void*>(event);
    if (c.code == SC_EXEC_SCSI_CMD) {
      reinterpret_cast<SRB_ExecSCSICmd*>(block)->SRB_PostProc = postProc;
    } else if (c.code == SC_RESET_DEV) {
      reinterpret_cast<SRB_BusDeviceReset*>(block)->SRB_PostProc = postProc;
    }
    BYTE before[138];
    std::memcpy(before, block, sizeof(block));
    EXPECT_EQ(AspiLoad::StandbySendASPI32Command(block), DWORD{SS_NO_ASPI});
    EXPECT_EQ(block[1], SS_NO_ASPI);
    block[1] = before[1];
    EXPECT_EQ(std::memcmp(block, before, sizeof(block)), 0) << "only SRB_Status is written";
    EXPECT_EQ(WaitForSingleObject(event, 0), c.signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    EXPECT_EQ(gPostCount, c.posted ? 1 : 0);
    if (c.posted) {
      EXPECT_EQ(gPosted, static_cast<void*>(block));
    }
  }
  CloseHandle(event);
}

TEST(AspiStandby, UncalledEntriesAnswerSafely) {
  ASPI32BUFF buffer{};
  EXPECT_EQ(AspiLoad::StandbyGetASPI32Buffer(&buffer), FALSE);
  EXPECT_EQ(AspiLoad::StandbyFreeASPI32Buffer(&buffer), FALSE);
  EXPECT_EQ(AspiLoad::StandbyGetASPI32Buffer(nullptr), FALSE);
  DWORD path = 0, node = 0;
  EXPECT_EQ(AspiLoad::StandbyTranslateASPI32Address(&path, &node), FALSE);
  char text[8] = "xxxxxxx";
  AspiLoad::StandbyIdentifyYourself(text, sizeof(text));
  EXPECT_STREQ(text, "");
  char untouched[2] = "y";
  AspiLoad::StandbyIdentifyYourself(untouched, 0);
  EXPECT_STREQ(untouched, "y");
  AspiLoad::StandbyIdentifyYourself(nullptr, 10);
  EXPECT_EQ(AspiLoad::StandbySendASPI32Command(nullptr), DWORD{SS_NO_ASPI});
}

// Without a library every command on the ASPI path ends at once with SS_NO_ASPI.
TEST(AspiStandby, CommandsEndAtOnceWithoutALibrary) {
  Machine m(sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::None));
  Aspi& aspi = m.Build();
  EXPECT_EQ(aspi.DeviceCount, 0);
  EXPECT_EQ(aspi.AdapterCount, 0);
  DeviceEntry entry{};
  entry.DeviceType = DTYPE_CDROM;
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE cdb[16] = {};
  EXPECT_EQ(aspi.ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, cdb, 6), SS_NO_ASPI);
  EXPECT_TRUE(m.host().AspiRequests().empty());
}

// --- cdr4dll ---------------------------------------------------------------------------------

TEST(Cdr4vsdBinding, LoadedResolvedHeldAndReleased) {
  Alone<Cdr4vsd> m(sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::None).WithCdr4());
  Cdr4vsd& cdr = m.object();
  EXPECT_EQ(LoadNames(m.host()), std::vector<std::string>{"cdr4dll"});
  EXPECT_STREQ(cdr.LibraryName, "cdr4dll.dll");
  EXPECT_TRUE(cdr.Cdr4vsdLoaded());
  EXPECT_NE(cdr.StartFileSystemBlocking, nullptr);
  EXPECT_NE(cdr.EndFileSystemBlocking, nullptr);
  EXPECT_NE(cdr.QueryFileSystemBlocking, nullptr);
  EXPECT_NE(cdr.ReserveDevice, nullptr);
  EXPECT_NE(cdr.ReleaseDevice, nullptr);
  EXPECT_NE(cdr.QueryReserve, nullptr);
  EXPECT_EQ(m.host().LoadedModules(), 1);
  m.Destroy();
  EXPECT_EQ(m.host().LoadedModules(), 0);
  EXPECT_TRUE(m.host().Cdr4Calls().empty());
}

TEST(Cdr4vsdBinding, MissingLibraryLeavesEverythingNull) {
  Alone<Cdr4vsd> m(sim::SimProfile::Windows98().WithAspi(sim::AspiPlacement::None));
  Cdr4vsd& cdr = m.object();
  EXPECT_STREQ(cdr.LibraryName, "");
  EXPECT_FALSE(cdr.Cdr4vsdLoaded());
  EXPECT_EQ(cdr.StartFileSystemBlocking, nullptr);
  EXPECT_EQ(cdr.QueryReserve, nullptr);
}

TEST(Cdr4vsdBinding, NeverCalledByTheTransport) {
  sim::SimProfile profile = sim::SimProfile::Windows2000(true).WithCdr4();
  profile.AddDrive('D', {0, 0, 1, 0}, Cd());
  Machine m(profile);
  Aspi& aspi = m.Build();
  ASSERT_EQ(aspi.DeviceCount, 1);
  SRB_ExecSCSICmd srb{};
  SenseResult sense{};
  const BYTE cdb[16] = {};
  aspi.ExecSCSICmd(aspi.Devices[0], srb, sense, nullptr, 0, SRB_DIR_OUT, cdb, 6);
  m.Destroy();
  EXPECT_TRUE(m.host().Cdr4Calls().empty());
}

}  // namespace
}  // namespace transport_test
