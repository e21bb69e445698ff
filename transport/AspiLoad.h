// Binding of the ASPI for Win32 library: finds and loads it, resolves its six entry points
// by name and puts a stand-by routine with a fixed answer wherever an entry is missing, so
// no caller ever tests an entry for null. Also holds the Windows version record.
#pragma once

#include "diag/Logging.h"
#include "platform/win32.h"
#include "transport/wnaspi32.h"

class AspiLoad : public virtual Logging {
 public:
  AspiLoad();
  ~AspiLoad();
  AspiLoad(const AspiLoad&) = delete;
  AspiLoad& operator=(const AspiLoad&) = delete;

  // Loads the library unless one is loaded already; returns the library handle (null when
  // none is loaded).
  HMODULE LoadAspi(const char* fileName);
  // Releases the library and installs the stand-by routines.
  void UnLoadAspi();
  // Installs the stand-by routines when no library is loaded.
  void AssignAddresses();
  bool AspiLoaded() const { return AspiLibrary != nullptr; }

  char AspiFileName[50];  // name or path the library was loaded with; empty when none
  GetASPI32SupportInfoProc GetASPI32SupportInfo;      // never null
  SendASPI32CommandProc SendASPI32Command;            // never null
  GetASPI32BufferProc GetASPI32Buffer;                // never null
  FreeASPI32BufferProc FreeASPI32Buffer;              // never null
  TranslateASPI32AddressProc TranslateASPI32Address;  // never null
  IdentifyYourselfProc IdentifyYourself;              // never null
  OSVERSIONINFOA VersionInfo;
  HMODULE AspiLibrary;

  // The stand-by routines, answering as a machine without an ASPI manager.
  static DWORD StandbyGetASPI32SupportInfo();
  static DWORD StandbySendASPI32Command(LPVOID srb);
  static BOOL StandbyGetASPI32Buffer(PASPI32BUFF buffer);
  static BOOL StandbyFreeASPI32Buffer(PASPI32BUFF buffer);
  static BOOL StandbyTranslateASPI32Address(PDWORD path, PDWORD devNode);
  static void StandbyIdentifyYourself(char* buffer, int length);

 private:
  void InstallStandbys();
};
