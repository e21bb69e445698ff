// Registry, message boxes, clock and devices reach the installed host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"
#include "tests/platform/FakeHost.h"

namespace {

using platform::testing::FakeHost;

TEST(RegistryTest, KeyAndValuesReachTheHost) {
  FakeHost host;
  platform::ScopedHost installed(host);
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Velmark", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const char version[] = "0.99.2";
  EXPECT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                           sizeof(version)),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));

  ASSERT_EQ(host.values.size(), 1u);
  EXPECT_EQ(host.values[0].key, "Software\\Tessaly\\Velmark");
  EXPECT_EQ(host.values[0].name, "Version");
  EXPECT_EQ(host.values[0].type, REG_SZ);
  EXPECT_EQ(std::string(host.values[0].data.begin(), host.values[0].data.end()),
            std::string("0.99.2", 7));

  // A second open finds the key existing.
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Velmark", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);
}

TEST(RegistryTest, AKeyThatCannotBeCreatedFailsTheOpen) {
  FakeHost host;
  host.createKeyError = ERROR_ACCESS_DENIED;
  platform::ScopedHost installed(host);
  HKEY key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(1));
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Velmark", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(key, nullptr);
  const BYTE data[1] = {0};
  EXPECT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, data, 1),
            static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST(MessageBoxTest, GoesToTheSinkWhenSetElseToTheHost) {
  FakeHost host;
  platform::ScopedHost installed(host);
  EXPECT_EQ(MessageBoxA(nullptr, "no event", "Velmark", MB_OK | MB_ICONSTOP), IDOK);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "no event");
  EXPECT_EQ(host.boxes[0].caption, "Velmark");
  EXPECT_EQ(host.boxes[0].type, MB_OK | MB_ICONSTOP);

  std::string sunk;
  host.SetMessageBoxSink([&](HWND, const char* text, const char* caption, UINT) {
    sunk = std::string(caption) + ": " + text;
    return 7;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "hello", "Title", MB_OK), 7);
  EXPECT_EQ(sunk, "Title: hello");
  EXPECT_EQ(host.boxes.size(), 1u);

  host.SetMessageBoxSink({});
  MessageBoxA(nullptr, "again", "Title", MB_OK);
  EXPECT_EQ(host.boxes.size(), 2u);
}

TEST(ClockTest, TimerAndSleepUseTheHost) {
  FakeHost host;
  host.clock = 1000;
  host.calendar = 1234567890;
  platform::ScopedHost installed(host);
  EXPECT_EQ(timeGetTime(), 1000u);
  Sleep(25);
  EXPECT_EQ(timeGetTime(), 1025u);
  ASSERT_EQ(host.sleeps.size(), 1u);
  EXPECT_EQ(host.sleeps[0], 25u);
  std::int64_t stored = 0;
  EXPECT_EQ(platform::time(&stored), 1234567890);
  EXPECT_EQ(stored, 1234567890);
  EXPECT_EQ(platform::time(nullptr), 1234567890);
  EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
  EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
  EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
}

class ScriptedDevice : public platform::Device {
 public:
  BOOL result = TRUE;
  DWORD error = ERROR_SUCCESS;
  DWORD lastCode = 0;
  BOOL IoControl(DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned,
                 DWORD& errorOut) override {
    lastCode = code;
    if (!result) {
      errorOut = error;
      return FALSE;
    }
    if (out != nullptr && outSize > 0) std::memset(out, 0xAB, outSize);
    *returned = outSize;
    return TRUE;
  }
};

TEST(DeviceTest, OpenAndControlThroughTheHost) {
  FakeHost host;
  ScriptedDevice* device = nullptr;
  std::string openedName;
  DWORD openedAccess = 0;
  host.openDevice = [&](const char* name, DWORD access, DWORD& error) {
    openedName = name;
    openedAccess = access;
    if (std::string(name) != "\\\\.\\D:") {
      error = ERROR_FILE_NOT_FOUND;
      return std::unique_ptr<platform::Device>();
    }
    auto made = std::make_unique<ScriptedDevice>();
    device = made.get();
    return std::unique_ptr<platform::Device>(std::move(made));
  };
  platform::ScopedHost installed(host);

  EXPECT_EQ(
      CreateFileA("\\\\.\\C:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  HANDLE handle = CreateFileA("\\\\.\\D:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(openedName, "\\\\.\\D:");
  EXPECT_EQ(openedAccess, GENERIC_READ | GENERIC_WRITE);

  SCSI_ADDRESS address{};
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address),
                              &returned, nullptr));
  EXPECT_EQ(returned, sizeof(address));
  EXPECT_EQ(device->lastCode, IOCTL_SCSI_GET_ADDRESS);

  device->result = FALSE;
  device->error = ERROR_SEM_TIMEOUT;
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &address, sizeof(address),
                               &address, sizeof(address), &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
  EXPECT_EQ(returned, 0u);

  // A device that fails without saying why still fails, with a general error.
  device->error = ERROR_SUCCESS;
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                               sizeof(address), &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);

  EXPECT_TRUE(CloseHandle(handle));
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                               sizeof(address), &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(HostInstallTest, ScopedHostRestoresThePreviousHost) {
  FakeHost outer, inner;
  platform::ScopedHost a(outer);
  {
    platform::ScopedHost b(inner);
    EXPECT_EQ(&platform::CurrentHost(), &inner);
  }
  EXPECT_EQ(&platform::CurrentHost(), &outer);
}

}  // namespace
