#include <string>

#include "platform/win32.h"
#include "probe/ProbeMachine.h"

namespace probe {
namespace {

// The system's own drive-letter query; not part of the subset the transport calls.
bool IsOpticalDriveLetter(char letter) {
  const char root[] = {letter, ':', '\\', '\0'};
  return GetDriveTypeA(root) == DRIVE_CDROM;
}

}  // namespace

const char* MachineHelpText() {
  return "Velmark reaches drives through the SCSI pass-through of the Windows NT family\n"
         "(\\\\.\\D:, \\\\.\\E:, ...), or through an ASPI library (wnaspi32.dll).\n";
}

const char* PassThroughText() {
  return "SCSI pass-through of Windows NT";
}

std::string DeviceBehind(char letter) {
  return std::string("\\\\.\\") + letter + ":";
}

void ReportNoDrive(std::FILE* out, Aspi& aspi, const std::string& root) {
  (void)root;  // drive letters are the system's; nothing to look up below a folder
  const OSVERSIONINFOA& version = aspi.VersionInfo;
  std::fprintf(out,
               "No drive found. Velmark reaches drives through the SCSI pass-through on "
               "\\\\.\\D:, \\\\.\\E:, ... and \\\\.\\SCSI0:, ... (Windows NT family), or through "
               "an ASPI library (wnaspi32.dll).\n");
  std::fprintf(out, "  Windows: platform %lu, version %lu.%lu build %lu \"%s\"%s\n",
               static_cast<unsigned long>(version.dwPlatformId),
               static_cast<unsigned long>(version.dwMajorVersion),
               static_cast<unsigned long>(version.dwMinorVersion),
               static_cast<unsigned long>(version.dwBuildNumber), version.szCSDVersion,
               version.dwPlatformId == VER_PLATFORM_WIN32_NT ? " (NT family)" : "");
  if (aspi.AspiLoaded()) {
    const DWORD support = aspi.GetASPI32SupportInfo();
    std::fprintf(out,
                 "  ASPI library %s: loaded; GetASPI32SupportInfo answers %08lX (status %02lX, "
                 "%lu adapters)%s.\n",
                 aspi.AspiFileName, static_cast<unsigned long>(support),
                 static_cast<unsigned long>((support >> 8) & 0xFF),
                 static_cast<unsigned long>(support & 0xFF),
                 ((support >> 8) & 0xFF) == 0x01 ? "" : ": no adapter to scan");
  } else {
    std::fprintf(out, "  ASPI library: none loaded (wnaspi32.dll, ntaspi32.dll).\n");
  }
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5 &&
      aspi.AspiLoaded()) {
    std::fprintf(out, "  Administrator: %s (%s)\n", aspi.IsAdministrator() ? "yes" : "no",
                 aspi.IsAdministrator() ? "the pass-through is tried first, then ASPI"
                                        : "ASPI is used without trying the pass-through");
  }
  std::fprintf(out, "  SCSI pass-through: %u bus(es) found on \\\\.\\SCSI0: ...\n",
               static_cast<unsigned>(aspi.BusCount));
  bool anyLetter = false;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!IsOpticalDriveLetter(letter)) continue;
    anyLetter = true;
    std::fprintf(out, "  %c: is an optical drive; \\\\.\\%c: did not answer as one.\n", letter,
                 letter);
  }
  if (!anyLetter) std::fprintf(out, "  Windows reports no optical drive letter on this machine.\n");
}

}  // namespace probe
