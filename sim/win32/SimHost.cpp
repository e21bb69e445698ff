#include "sim/win32/SimHost.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <thread>

#include "sim/win32/AspiManager.h"
#include "sim/win32/SimCdr4Module.h"
#include "sim/win32/SimLetter.h"
#include "sim/win32/SimPort.h"

namespace sim {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The module name as the loader looks for it: lower case, ".dll" added to a bare name.
std::string ModuleFileName(const char* name) {
  std::string file = Lower(name);
  std::size_t slash = file.find_last_of("\\/");
  std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (file.find('.', base) == std::string::npos) file += ".dll";
  return file;
}

// "\\.\" prefix of device names.
constexpr const char kDevicePrefix[] = "\\\\.\\";

class SimRegistryKey : public platform::RegistryKey {
 public:
  SimRegistryKey(std::shared_ptr<SimRecords> records, std::string path)
      : records_(std::move(records)), path_(std::move(path)) {}

  LONG SetValue(const char* name, DWORD type, const BYTE* data, DWORD size) override {
    SimRecords::RegistryWrite write{path_, name != nullptr ? name : "", type, {}};
    if (data != nullptr && size > 0) write.data.assign(data, data + size);
    std::lock_guard lock(records_->mutex);
    records_->registryWrites.push_back(std::move(write));
    return ERROR_SUCCESS;
  }

 private:
  std::shared_ptr<SimRecords> records_;
  std::string path_;
};

}  // namespace

SimHost::SimHost(SimProfile profile)
    : machine_(std::move(profile), [this](const platform::CommandTrace& t) { NotifyCommand(t); }),
      profile_(machine_.profile()),
      records_(machine_.records()),
      aspi_(std::make_unique<AspiManager>(machine_)) {}

SimHost::~SimHost() {
  // The manager's worker finishes what is queued while the devices still exist.
  aspi_.reset();
}

void SimHost::Version(OSVERSIONINFOA& info) {
  info.dwMajorVersion = profile_.majorVersion;
  info.dwMinorVersion = profile_.minorVersion;
  info.dwBuildNumber = profile_.buildNumber;
  info.dwPlatformId = profile_.platformId;
  std::memset(info.szCSDVersion, 0, sizeof(info.szCSDVersion));
  std::size_t length = std::min(profile_.csdVersion.size(), sizeof(info.szCSDVersion) - 1);
  std::memcpy(info.szCSDVersion, profile_.csdVersion.data(), length);
}

UINT SimHost::SystemDirectory(char* buffer, UINT size) {
  const std::string& directory = profile_.systemDirectory;
  if (directory.empty()) return 0;
  UINT length = static_cast<UINT>(directory.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, directory.data(), length);
  buffer[length] = '\0';
  return length;
}

std::unique_ptr<platform::Module> SimHost::LoadModule(const char* name, DWORD& error) {
  std::string file = ModuleFileName(name != nullptr ? name : "");
  std::string inSystem = Lower(profile_.systemDirectory) + "\\";
  bool systemPath = !profile_.systemDirectory.empty() && file.rfind(inSystem, 0) == 0;
  std::string base = systemPath ? file.substr(inSystem.size()) : file;
  bool plain = base.find_first_of("\\/:") == std::string::npos;

  std::unique_ptr<platform::Module> module;
  if (plain && (systemPath || base == file)) {
    switch (profile_.aspi) {
      case AspiPlacement::SystemDirectory:
        if (base == "wnaspi32.dll") module = AspiManager::OpenModule(machine_);
        break;
      case AspiPlacement::SearchPath:
        if (base == "wnaspi32.dll" && !systemPath) module = AspiManager::OpenModule(machine_);
        break;
      case AspiPlacement::NtAspiOnly:
        if (base == "ntaspi32.dll") module = AspiManager::OpenModule(machine_);
        break;
      case AspiPlacement::None:
        break;
    }
    if (!module && profile_.cdr4dll && base == "cdr4dll.dll") {
      module = std::make_unique<SimCdr4Module>(records_);
    }
  }
  {
    std::lock_guard lock(records_->mutex);
    records_->moduleLoads.push_back(ModuleLoad{name != nullptr ? name : "", module != nullptr});
  }
  error = module ? ERROR_SUCCESS : ERROR_MOD_NOT_FOUND;
  return module;
}

std::unique_ptr<platform::Device> SimHost::OpenDevice(const char* name, DWORD access, DWORD share,
                                                      DWORD disposition, DWORD& error) {
  std::string text = name != nullptr ? name : "";
  std::unique_ptr<platform::Device> device;
  error = ERROR_FILE_NOT_FOUND;
  bool nt = profile_.platformId == VER_PLATFORM_WIN32_NT;
  if (nt && text.rfind(kDevicePrefix, 0) == 0) {
    std::string rest = text.substr(std::strlen(kDevicePrefix));
    std::string upper = rest;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.size() > 5 && upper.rfind("SCSI", 0) == 0 && upper.back() == ':') {
      std::string digits = upper.substr(4, upper.size() - 5);
      bool numeric = !digits.empty() && digits.size() <= 3 &&
                     std::all_of(digits.begin(), digits.end(),
                                 [](unsigned char c) { return std::isdigit(c) != 0; });
      if (numeric) {
        unsigned number = static_cast<unsigned>(std::stoul(digits));
        if (number < profile_.ports.size()) {
          device = std::make_unique<SimPort>(machine_, static_cast<BYTE>(number));
        }
      }
    } else if (upper.size() == 2 && upper[1] == ':' &&
               std::isalpha(static_cast<unsigned char>(upper[0]))) {
      if (const LetterProfile* letter = profile_.Letter(upper[0])) {
        if (letter->readOnly && (access & GENERIC_WRITE) != 0) {
          error = ERROR_ACCESS_DENIED;
        } else {
          device = std::make_unique<SimLetter>(machine_, *letter);
        }
      }
    }
  }
  if (device) error = ERROR_SUCCESS;
  std::lock_guard lock(records_->mutex);
  records_->deviceOpens.push_back(
      DeviceOpen{text, access, share, disposition, device != nullptr, error});
  return device;
}

bool SimHost::UserIsAdministrator() {
  return profile_.administrator;
}

DWORD SimHost::SecurityCall(const char* name) {
  std::string call = name != nullptr ? name : "";
  {
    std::lock_guard lock(records_->mutex);
    records_->securityCalls.push_back(call);
  }
  auto failure = profile_.securityFailures.find(call);
  return failure == profile_.securityFailures.end() ? ERROR_SUCCESS : failure->second;
}

LONG SimHost::CreateKey(HKEY root, const char* subKey, std::unique_ptr<platform::RegistryKey>& key,
                        bool& created) {
  std::string path = root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_OTHER";
  path += "\\";
  path += subKey != nullptr ? subKey : "";
  std::lock_guard lock(records_->mutex);
  records_->registryKeys.push_back(path);
  if (profile_.registryCreateError != ERROR_SUCCESS) {
    created = false;
    return profile_.registryCreateError;
  }
  std::string known = Lower(path);
  auto& keys = records_->registryKeysKnown;
  created = std::find(keys.begin(), keys.end(), known) == keys.end();
  if (created) keys.push_back(known);
  key = std::make_unique<SimRegistryKey>(records_, path);
  return ERROR_SUCCESS;
}

DWORD SimHost::Milliseconds() {
  return machine_.clock().Milliseconds();
}

std::int64_t SimHost::CalendarSeconds() {
  return machine_.clock().CalendarSeconds();
}

void SimHost::SleepMilliseconds(DWORD ms) {
  machine_.clock().Advance(static_cast<std::uint64_t>(ms) * 1000);
  // Virtual time does not pass by itself: let the other threads of the machine run.
  if (machine_.clock().mode() == ClockMode::Virtual) std::this_thread::yield();
}

int SimHost::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  (void)owner;
  std::lock_guard lock(records_->mutex);
  records_->messageBoxes.push_back(
      MessageBoxRecord{text != nullptr ? text : "", caption != nullptr ? caption : "", type});
  return profile_.messageBoxAnswer;
}

std::vector<std::vector<BYTE>> SimHost::AspiRequests() const {
  std::lock_guard lock(records_->mutex);
  return records_->aspiRequests;
}

void SimHost::WaitAspiIdle() {
  aspi_->WaitIdle();
}

std::vector<SimHost::ModuleLoad> SimHost::ModuleLoads() const {
  std::lock_guard lock(records_->mutex);
  return records_->moduleLoads;
}

int SimHost::LoadedModules() const {
  std::lock_guard lock(records_->mutex);
  return records_->loadedModules;
}

std::vector<SimHost::DeviceOpen> SimHost::DeviceOpens() const {
  std::lock_guard lock(records_->mutex);
  return records_->deviceOpens;
}

int SimHost::OpenDevices() const {
  std::lock_guard lock(records_->mutex);
  return records_->openDevices;
}

std::vector<SimHost::PassThroughCall> SimHost::PassThroughCalls() const {
  std::lock_guard lock(records_->mutex);
  return records_->passThroughCalls;
}

std::vector<SimHost::RegistryWrite> SimHost::RegistryWrites() const {
  std::lock_guard lock(records_->mutex);
  return records_->registryWrites;
}

std::vector<std::string> SimHost::RegistryKeysCreated() const {
  std::lock_guard lock(records_->mutex);
  return records_->registryKeys;
}

std::vector<SimHost::MessageBoxRecord> SimHost::MessageBoxes() const {
  std::lock_guard lock(records_->mutex);
  return records_->messageBoxes;
}

std::vector<std::string> SimHost::SecurityCalls() const {
  std::lock_guard lock(records_->mutex);
  return records_->securityCalls;
}

std::vector<std::string> SimHost::Cdr4Calls() const {
  std::lock_guard lock(records_->mutex);
  return records_->cdr4Calls;
}

void SimHost::ClearRecords() {
  std::lock_guard lock(records_->mutex);
  records_->moduleLoads.clear();
  records_->deviceOpens.clear();
  records_->passThroughCalls.clear();
  records_->aspiRequests.clear();
  records_->registryWrites.clear();
  records_->registryKeys.clear();
  records_->messageBoxes.clear();
  records_->securityCalls.clear();
  records_->cdr4Calls.clear();
}

}  // namespace sim
