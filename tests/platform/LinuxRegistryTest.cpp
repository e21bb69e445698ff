// The Linux host's registry: one text file per key under the configuration folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/LinuxHost.h"
#include "platform/LinuxRegistry.h"
#include "platform/win32.h"
#include "tests/platform/FakeSysfs.h"

namespace {

using platform::testing::TemporaryFolder;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

unsigned Mode(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 0777;
}

LONG SetString(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

class LinuxRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config = folder.path() + "/config";
    platform::LinuxHostOptions options;
    options.configHome = config;
    host = std::make_unique<platform::LinuxHost>(std::move(options));
    installed = std::make_unique<platform::ScopedHost>(*host);
  }
  LONG Open(HKEY& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Velmark", 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition);
  }
  std::string KeyFile() const {
    return config + "/velmark/registry/HKEY_CURRENT_USER/Software/Tessaly/Velmark.reg";
  }

  TemporaryFolder folder;
  std::string config;
  std::unique_ptr<platform::LinuxHost> host;
  std::unique_ptr<platform::ScopedHost> installed;
};

TEST_F(LinuxRegistryTest, TheWindowsRecordGivesExactlyThisFile) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Open(key, &disposition), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(SetString(key, "Version", "0.99.2"), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(SetString(key, "URL", "https://tessaly.example/velmark"),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(SetString(key, "Email", "support@tessaly.example"), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));

  EXPECT_EQ(ReadFile(KeyFile()),
            "[HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark]\n"
            "\"Version\"=\"0.99.2\"\n"
            "\"URL\"=\"https://tessaly.example/velmark\"\n"
            "\"Email\"=\"support@tessaly.example\"\n");
  EXPECT_EQ(Mode(KeyFile()), 0600u);
  EXPECT_EQ(Mode(config + "/velmark"), 0700u);
  EXPECT_EQ(Mode(config + "/velmark/registry/HKEY_CURRENT_USER/Software/Tessaly"), 0700u);
  // Nothing but the key file is left in its folder (no temporary files).
  int entries = 0;
  for (auto& entry : std::filesystem::directory_iterator(
           config + "/velmark/registry/HKEY_CURRENT_USER/Software/Tessaly")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(LinuxRegistryTest, ReopeningKeepsValuesAndReplacesInPlace) {
  HKEY key = nullptr;
  ASSERT_EQ(Open(key), static_cast<LONG>(ERROR_SUCCESS));
  SetString(key, "Version", "0.99.1");
  SetString(key, "URL", "u");
  RegCloseKey(key);

  DWORD disposition = 0;
  ASSERT_EQ(Open(key, &disposition), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  SetString(key, "Version", "0.99.2");
  RegCloseKey(key);
  EXPECT_EQ(ReadFile(KeyFile()),
            "[HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark]\n"
            "\"Version\"=\"0.99.2\"\n"
            "\"URL\"=\"u\"\n");
}

TEST_F(LinuxRegistryTest, OddNamesAndDataSurviveTheFile) {
  const std::vector<platform::RegistryValue> values = {
      {"quote\"and\\slash", REG_SZ, {'a', '"', '\\', 'b', 0}},
      {"line", REG_SZ, {'a', '\n', 'b', 0}},  // a control character: kept as bytes
      {"binary", 3, {0x00, 0xFF, 0x10}},
      {"empty", REG_SZ, {}},
  };
  const std::string text = platform::FormatKeyFile("HKEY_CURRENT_USER\\K", values);
  const std::vector<platform::RegistryValue> back = platform::ParseKeyFile(text);
  ASSERT_EQ(back.size(), values.size()) << text;
  EXPECT_EQ(back[0].name, values[0].name);
  EXPECT_EQ(back[0].data, values[0].data);
  EXPECT_EQ(back[1].data, values[1].data);
  EXPECT_EQ(back[2].type, 3u);
  EXPECT_EQ(back[2].data, values[2].data);
  EXPECT_EQ(back[3].data, std::vector<BYTE>{0});
  EXPECT_EQ(text.find("\n\"line\"=hex(1):61,0a,62,00\n") != std::string::npos, true) << text;
}

TEST_F(LinuxRegistryTest, LinesItDoesNotWriteItselfAreKeptOnRewrite) {
  HKEY key = nullptr;
  ASSERT_EQ(Open(key), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  const std::string kept =
      "; written by hand\n"
      "\"Count\"=dword:00000001\n"
      "\n"
      "# the end\n";
  std::ofstream(KeyFile(), std::ios::binary | std::ios::trunc)
      << "[HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark]\n\"Version\"=\"0.1\"\n"
      << kept;
  ASSERT_EQ(Open(key), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(SetString(key, "Version", "0.99.2"), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(SetString(key, "URL", "u"), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  EXPECT_EQ(ReadFile(KeyFile()),
            "[HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark]\n\"Version\"=\"0.99.2\"\n" + kept +
                "\"URL\"=\"u\"\n");
}

// Only a missing key file is created. One that cannot be read, is no regular file, is too
// large or holds what no key file holds is left exactly as it is, and the open fails at
// once (a FIFO does not block it).
TEST_F(LinuxRegistryTest, KeyFileThatDoesNotReadCleanlyIsNeverRewritten) {
  const LONG kRegistryCorrupt = 1015;  // ERROR_REGISTRY_CORRUPT
  const std::string header = "[HKEY_CURRENT_USER\\Software\\Tessaly\\Velmark]\n";
  const struct {
    const char* what;
    std::string text;
    unsigned mode;
    LONG error;
  } cases[] = {
      {"unreadable", header + "\"Version\"=\"mine\"\n", 0200,
       static_cast<LONG>(ERROR_ACCESS_DENIED)},
      {"a line of no known kind", header + "not a value\n", 0600, kRegistryCorrupt},
      {"a zero byte", header + std::string("\"a\"=\"b\0\"\n", 10), 0600, kRegistryCorrupt},
      {"too large", header + std::string(platform::kMaxKeyFileSize, ';') + "\n", 0600,
       kRegistryCorrupt},
  };
  HKEY key = nullptr;
  ASSERT_EQ(Open(key), static_cast<LONG>(ERROR_SUCCESS));  // the folders
  RegCloseKey(key);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.mode == 0200 && geteuid() == 0) continue;  // root reads it anyway
    std::filesystem::remove(KeyFile());
    std::ofstream(KeyFile(), std::ios::binary | std::ios::trunc) << c.text;
    chmod(KeyFile().c_str(), c.mode);
    EXPECT_EQ(Open(key), c.error);
    chmod(KeyFile().c_str(), 0600);
    EXPECT_EQ(ReadFile(KeyFile()), c.text);
  }

  std::filesystem::remove(KeyFile());
  ASSERT_EQ(mkfifo(KeyFile().c_str(), 0600), 0);
  EXPECT_EQ(Open(key), static_cast<LONG>(ERROR_ACCESS_DENIED));
  struct stat info;
  ASSERT_EQ(stat(KeyFile().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(LinuxRegistryTest, KeyPathsThatLeaveTheFolderAreRefused) {
  for (const char* subKey : {"..\\..\\escape", "Software\\..\\x", "a/b", "", "Software\\\\x"}) {
    SCOPED_TRACE(subKey);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(key, nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/escape.reg"));
}

TEST_F(LinuxRegistryTest, AConfigFolderThatCannotBeWrittenFailsTheOpen) {
  // A file where the folder should be: fails for every user, root included.
  std::ofstream(config) << "not a folder";
  HKEY key = nullptr;
  EXPECT_NE(Open(key), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(SetString(key, "Version", "x"), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(LinuxRegistryTest, AReadOnlyConfigFolderFailsTheOpen) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::filesystem::create_directories(config);
  chmod(config.c_str(), 0500);
  HKEY key = nullptr;
  EXPECT_EQ(Open(key), static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(key, nullptr);
  chmod(config.c_str(), 0700);
}

TEST(LinuxRegistryHomeTest, FollowsXdgConfigHomeElseHome) {
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string xdg = savedXdg != nullptr ? savedXdg : "";
  const char* savedHome = std::getenv("HOME");
  const std::string home = savedHome != nullptr ? savedHome : "";
  setenv("XDG_CONFIG_HOME", "/tmp/xdg-place", 1);
  EXPECT_EQ(platform::LinuxRegistry("").UserRoot(),
            "/tmp/xdg-place/velmark/registry/HKEY_CURRENT_USER");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(platform::LinuxRegistry("").UserRoot(),
            "/home/someone/.config/velmark/registry/HKEY_CURRENT_USER");
  if (savedXdg != nullptr) {
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  if (savedHome != nullptr) {
    setenv("HOME", home.c_str(), 1);
  } else {
    unsetenv("HOME");
  }
}

}  // namespace
