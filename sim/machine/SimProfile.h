// What a simulated Windows machine looks like: its version, the user's rights, which
// libraries are installed where, its SCSI ports with their buses, the devices at SCSI
// addresses, its drive letters, its clock, and the failures a test wants injected.
// A SimHost is built from one profile; the helpers below give the typical machines.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/scsi/ScsiTarget.h"

namespace sim {

enum class WindowsVersion { Windows95, Windows98, WindowsNT4, Windows2000, WindowsXP };

// Where the ASPI for Win32 library is installed.
enum class AspiPlacement {
  SystemDirectory,  // "<system directory>\wnaspi32.dll": loads by full path and by plain name
  SearchPath,       // "wnaspi32.dll" somewhere on the search path: loads by plain name only
  NtAspiOnly,       // only "ntaspi32.dll" (loads by that plain name)
  None,             // no ASPI library at all
};

enum class ClockMode {
  Virtual,   // deterministic: advanced by the targets' service times, by Sleep and by tests
  RealTime,  // the wall clock: service times are slept (the demo)
};

// A SCSI address of the machine: port ("\\.\SCSIn:"), bus (PathId), target, LUN.
struct ScsiAddress {
  BYTE port = 0;
  BYTE bus = 0;
  BYTE target = 0;
  BYTE lun = 0;
  auto operator<=>(const ScsiAddress&) const = default;
};

// One SCSI port. Each of its buses is one ASPI host adapter; the adapters are the
// (port, bus) pairs in port order, then bus order.
struct PortProfile {
  BYTE buses = 1;
  // IOCTL_SCSI_GET_CAPABILITIES AlignmentMask; also HA_Unique bytes 0-1 of its adapters.
  DWORD alignmentMask = 0;
  // IOCTL_SCSI_GET_CAPABILITIES MaximumTransferLength; longer pass-through transfers are
  // refused with ERROR_INVALID_PARAMETER.
  DWORD maximumTransferLength = 0x10000;
  // HA_Unique byte 3 of its adapters: the highest number of targets (8, 16, 7 ...).
  BYTE maxTargets = 8;
  // Per bus (adapter) of this port, in bus order; a bus without an entry uses maxTargets.
  std::vector<BYTE> maxTargetsByBus;
  BYTE MaxTargets(BYTE bus) const {
    return bus < maxTargetsByBus.size() ? maxTargetsByBus[bus] : maxTargets;
  }
  // HA_Identifier of its adapters (at most 16 characters are used).
  std::string identifier = "SIM SCSI Port";
};

// A device placed at a SCSI address.
struct TargetSlot {
  ScsiAddress address;
  std::shared_ptr<ScsiTarget> target;
};

// A drive letter "\\.\X:" of an NT-family machine.
struct LetterProfile {
  char letter = 'D';
  ScsiAddress address;         // what IOCTL_SCSI_GET_ADDRESS answers; pass-through goes here
  bool reportsAddress = true;  // false: IOCTL_SCSI_GET_ADDRESS fails (ERROR_INVALID_FUNCTION)
  bool readOnly = false;       // true: opening with GENERIC_WRITE fails with ERROR_ACCESS_DENIED
  bool refusesDirect = false;  // true: IOCTL_SCSI_PASS_THROUGH_DIRECT fails with error 87
};

struct SimProfile {
  // --- the operating system ---
  WindowsVersion version = WindowsVersion::Windows2000;
  DWORD platformId = VER_PLATFORM_WIN32_NT;  // 1 for 95/98, 2 for the NT family
  DWORD majorVersion = 5;
  DWORD minorVersion = 0;
  DWORD buildNumber = 2195;
  std::string csdVersion;  // e.g. "Service Pack 4"
  bool administrator = true;
  // GetSystemDirectoryA; empty makes it fail (returns 0).
  std::string systemDirectory = "C:\\WINNT\\system32";

  // --- libraries ---
  AspiPlacement aspi = AspiPlacement::None;
  std::set<std::string> missingAspiEntries;  // entry names the ASPI library does not export
  bool cdr4dll = false;                      // "cdr4dll" loads
  // HA_ManagerId of every adapter and the text of IdentifyYourself (16 characters are used).
  std::string aspiManagerId = "SIM ASPI Manager";

  // --- SCSI ---
  std::vector<PortProfile> ports;      // port n is "\\.\SCSIn:"
  std::vector<TargetSlot> targets;     // devices at addresses
  std::vector<LetterProfile> letters;  // "\\.\X:" names of the NT family; also SC_GET_DISK_INFO
  // How long past TimeOutValue a timed-out pass-through call returns (the port driver's
  // one-second timer): the clock advances by TimeOutValue seconds plus this.
  DWORD passThroughTimeoutOverrunMs = 1000;

  // --- clock ---
  ClockMode clock = ClockMode::Virtual;
  std::int64_t calendarStart = 946684800;  // calendar seconds at virtual time 0 (2000-01-01)

  // --- registry, security, message boxes ---
  LONG registryCreateError = ERROR_SUCCESS;       // non-zero: creating a key fails with it
  std::map<std::string, DWORD> securityFailures;  // Win32 call name -> error it fails with
  int messageBoxAnswer = IDOK;
  // Copies of every ASPI request block and pass-through call. Off, the command paths of
  // the machine allocate nothing per command (for allocation-counting tests).
  bool recordCalls = true;
  // How much of each pass-through input block is kept: the structure, the sense buffer and
  // the start of a buffered data area. A whole-disc read through the buffered call would
  // otherwise keep 64 KiB per command.
  DWORD passThroughRecordBytes = 1024;

  // --- the typical machines ---
  // 95 and 98: ASPI library in the system directory. NT 4, 2000, XP: no ASPI library.
  // No ports, devices or letters: add them with the builders below.
  static SimProfile Windows95();
  static SimProfile Windows98();
  static SimProfile WindowsNT4(bool administrator = true);
  static SimProfile Windows2000(bool administrator = true);
  static SimProfile WindowsXP(bool administrator = true);
  static SimProfile For(WindowsVersion version, bool administrator = true);

  // --- builders (each returns *this) ---
  SimProfile& WithAspi(AspiPlacement placement);
  SimProfile& WithoutAspiEntries(std::set<std::string> names);
  SimProfile& WithCdr4(bool installed = true);
  SimProfile& WithSystemDirectory(std::string directory);
  SimProfile& WithClock(ClockMode mode);
  SimProfile& AddPort(PortProfile port = {});
  // Places a device; creates the port and the buses up to the address when missing.
  SimProfile& AddTarget(ScsiAddress address, std::shared_ptr<ScsiTarget> target);
  // Adds drive letter `letter` for `address` (creating the port and bus when missing).
  SimProfile& AddLetter(char letter, ScsiAddress address);
  SimProfile& AddLetter(LetterProfile letter);
  // A device and its drive letter in one go.
  SimProfile& AddDrive(char letter, ScsiAddress address, std::shared_ptr<ScsiTarget> target);
  // The port of `number`, created (with one bus) when missing.
  PortProfile& Port(BYTE number);
  // The letter's profile for tweaking; null when the letter is not in the profile.
  LetterProfile* Letter(char letter);
  const LetterProfile* Letter(char letter) const;

 private:
  void EnsureBus(BYTE port, BYTE bus);
};

}  // namespace sim
