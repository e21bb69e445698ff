#include "transport/AspiLoad.h"

#include <cstring>

namespace {

template <class Proc>
Proc Resolve(HMODULE library, const char* name, Proc standby) {
  FARPROC entry = GetProcAddress(library, name);
  if (entry == nullptr) return standby;
  // Through the generic function type, as GetProcAddress results are converted.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

AspiLoad::AspiLoad()
    : AspiFileName{},
      GetASPI32SupportInfo(StandbyGetASPI32SupportInfo),
      SendASPI32Command(StandbySendASPI32Command),
      GetASPI32Buffer(StandbyGetASPI32Buffer),
      FreeASPI32Buffer(StandbyFreeASPI32Buffer),
      TranslateASPI32Address(StandbyTranslateASPI32Address),
      IdentifyYourself(StandbyIdentifyYourself),
      VersionInfo{},
      AspiLibrary(nullptr) {
  VersionInfo.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&VersionInfo);

  char path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length != 0 && length < MAX_PATH) {
    std::strncat(path, "\\wnaspi32.dll", sizeof(path) - std::strlen(path) - 1);
    LoadAspi(path);
  }
  if (AspiLibrary == nullptr) LoadAspi("wnaspi32.dll");
  if (AspiLibrary == nullptr && VersionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    LoadAspi("ntaspi32.dll");
  }
}

AspiLoad::~AspiLoad() {
  UnLoadAspi();
}

HMODULE AspiLoad::LoadAspi(const char* fileName) {
  if (AspiLibrary != nullptr) return AspiLibrary;
  AspiLibrary = LoadLibraryA(fileName);
  std::memset(AspiFileName, 0, sizeof(AspiFileName));
  if (AspiLibrary != nullptr) {
    std::strncpy(AspiFileName, fileName, sizeof(AspiFileName) - 1);
    GetASPI32SupportInfo =
        Resolve(AspiLibrary, "GetASPI32SupportInfo", &StandbyGetASPI32SupportInfo);
    SendASPI32Command = Resolve(AspiLibrary, "SendASPI32Command", &StandbySendASPI32Command);
    GetASPI32Buffer = Resolve(AspiLibrary, "GetASPI32Buffer", &StandbyGetASPI32Buffer);
    FreeASPI32Buffer = Resolve(AspiLibrary, "FreeASPI32Buffer", &StandbyFreeASPI32Buffer);
    TranslateASPI32Address =
        Resolve(AspiLibrary, "TranslateASPI32Address", &StandbyTranslateASPI32Address);
    IdentifyYourself = Resolve(AspiLibrary, "IdentifyYourself", &StandbyIdentifyYourself);
  }
  AssignAddresses();
  return AspiLibrary;
}

void AspiLoad::UnLoadAspi() {
  if (AspiLibrary != nullptr) FreeLibrary(AspiLibrary);
  AspiLibrary = nullptr;
  AssignAddresses();
}

void AspiLoad::AssignAddresses() {
  if (AspiLibrary == nullptr) InstallStandbys();
}

void AspiLoad::InstallStandbys() {
  GetASPI32SupportInfo = StandbyGetASPI32SupportInfo;
  SendASPI32Command = StandbySendASPI32Command;
  GetASPI32Buffer = StandbyGetASPI32Buffer;
  FreeASPI32Buffer = StandbyFreeASPI32Buffer;
  TranslateASPI32Address = StandbyTranslateASPI32Address;
  IdentifyYourself = StandbyIdentifyYourself;
}

DWORD AspiLoad::StandbyGetASPI32SupportInfo() {
  // Status byte 0 (not SS_COMP): no ASPI manager, no adapters.
  return SS_NO_ASPI;
}

DWORD AspiLoad::StandbySendASPI32Command(LPVOID srb) {
  if (srb == nullptr) return SS_NO_ASPI;
  auto* header = static_cast<SRB_Header*>(srb);
  header->SRB_Status = SS_NO_ASPI;
  // Requests that complete through the event or the post routine must complete here too,
  // so that no caller waits for them.
  void* postProc = nullptr;
  if (header->SRB_Cmd == SC_EXEC_SCSI_CMD) {
    postProc = static_cast<SRB_ExecSCSICmd*>(srb)->SRB_PostProc;
  } else if (header->SRB_Cmd == SC_RESET_DEV) {
    postProc = static_cast<SRB_BusDeviceReset*>(srb)->SRB_PostProc;
  } else {
    return SS_NO_ASPI;
  }
  if ((header->SRB_Flags & SRB_EVENT_NOTIFY) != 0) {
    if (postProc != nullptr) SetEvent(postProc);
  } else if ((header->SRB_Flags & SRB_POSTING) != 0) {
    if (postProc != nullptr) reinterpret_cast<void (*)(void*)>(postProc)(srb);
  }
  return SS_NO_ASPI;
}

BOOL AspiLoad::StandbyGetASPI32Buffer(PASPI32BUFF buffer) {
  (void)buffer;
  return FALSE;
}

BOOL AspiLoad::StandbyFreeASPI32Buffer(PASPI32BUFF buffer) {
  (void)buffer;
  return FALSE;
}

BOOL AspiLoad::StandbyTranslateASPI32Address(PDWORD path, PDWORD devNode) {
  (void)path;
  (void)devNode;
  return FALSE;
}

void AspiLoad::StandbyIdentifyYourself(char* buffer, int length) {
  if (buffer != nullptr && length > 0) buffer[0] = '\0';
}
