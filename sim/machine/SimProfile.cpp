#include "sim/machine/SimProfile.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

SimProfile Make(WindowsVersion version, DWORD platformId, DWORD major, DWORD minor, DWORD build,
                const char* systemDirectory, AspiPlacement aspi, bool administrator) {
  SimProfile profile;
  profile.version = version;
  profile.platformId = platformId;
  profile.majorVersion = major;
  profile.minorVersion = minor;
  profile.buildNumber = build;
  profile.systemDirectory = systemDirectory;
  profile.aspi = aspi;
  profile.administrator = administrator;
  return profile;
}

}  // namespace

SimProfile SimProfile::Windows95() {
  // The 9x family keeps major, minor and build in the build number field.
  return Make(WindowsVersion::Windows95, VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6,
              "C:\\WINDOWS\\SYSTEM", AspiPlacement::SystemDirectory, true);
}

SimProfile SimProfile::Windows98() {
  return Make(WindowsVersion::Windows98, VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A07CE,
              "C:\\WINDOWS\\SYSTEM", AspiPlacement::SystemDirectory, true);
}

SimProfile SimProfile::WindowsNT4(bool administrator) {
  SimProfile profile = Make(WindowsVersion::WindowsNT4, VER_PLATFORM_WIN32_NT, 4, 0, 1381,
                            "C:\\WINNT\\system32", AspiPlacement::None, administrator);
  profile.csdVersion = "Service Pack 6";
  return profile;
}

SimProfile SimProfile::Windows2000(bool administrator) {
  SimProfile profile = Make(WindowsVersion::Windows2000, VER_PLATFORM_WIN32_NT, 5, 0, 2195,
                            "C:\\WINNT\\system32", AspiPlacement::None, administrator);
  profile.csdVersion = "Service Pack 4";
  return profile;
}

SimProfile SimProfile::WindowsXP(bool administrator) {
  SimProfile profile = Make(WindowsVersion::WindowsXP, VER_PLATFORM_WIN32_NT, 5, 1, 2600,
                            "C:\\WINDOWS\\system32", AspiPlacement::None, administrator);
  profile.csdVersion = "Service Pack 2";
  return profile;
}

SimProfile SimProfile::For(WindowsVersion version, bool administrator) {
  switch (version) {
    case WindowsVersion::Windows95: {
      SimProfile profile = Windows95();
      profile.administrator = administrator;
      return profile;
    }
    case WindowsVersion::Windows98: {
      SimProfile profile = Windows98();
      profile.administrator = administrator;
      return profile;
    }
    case WindowsVersion::WindowsNT4:
      return WindowsNT4(administrator);
    case WindowsVersion::Windows2000:
      return Windows2000(administrator);
    case WindowsVersion::WindowsXP:
      return WindowsXP(administrator);
  }
  return Windows2000(administrator);
}

SimProfile& SimProfile::WithAspi(AspiPlacement placement) {
  aspi = placement;
  return *this;
}

SimProfile& SimProfile::WithoutAspiEntries(std::set<std::string> names) {
  missingAspiEntries = std::move(names);
  return *this;
}

SimProfile& SimProfile::WithCdr4(bool installed) {
  cdr4dll = installed;
  return *this;
}

SimProfile& SimProfile::WithSystemDirectory(std::string directory) {
  systemDirectory = std::move(directory);
  return *this;
}

SimProfile& SimProfile::WithClock(ClockMode mode) {
  clock = mode;
  return *this;
}

SimProfile& SimProfile::AddPort(PortProfile port) {
  ports.push_back(std::move(port));
  return *this;
}

void SimProfile::EnsureBus(BYTE port, BYTE bus) {
  while (ports.size() <= port) ports.push_back(PortProfile{});
  PortProfile& p = ports[port];
  if (p.buses <= bus) p.buses = static_cast<BYTE>(bus + 1);
}

SimProfile& SimProfile::AddTarget(ScsiAddress address, std::shared_ptr<ScsiTarget> target) {
  EnsureBus(address.port, address.bus);
  auto slot = std::find_if(targets.begin(), targets.end(),
                           [&](const TargetSlot& s) { return s.address == address; });
  if (slot != targets.end()) {
    slot->target = std::move(target);
  } else {
    targets.push_back(TargetSlot{address, std::move(target)});
  }
  return *this;
}

SimProfile& SimProfile::AddLetter(char letter, ScsiAddress address) {
  LetterProfile profile;
  profile.letter = letter;
  profile.address = address;
  return AddLetter(profile);
}

SimProfile& SimProfile::AddLetter(LetterProfile letter) {
  if (letter.reportsAddress) EnsureBus(letter.address.port, letter.address.bus);
  if (LetterProfile* existing = Letter(letter.letter)) {
    *existing = letter;
  } else {
    letters.push_back(letter);
  }
  return *this;
}

SimProfile& SimProfile::AddDrive(char letter, ScsiAddress address,
                                 std::shared_ptr<ScsiTarget> target) {
  AddTarget(address, std::move(target));
  return AddLetter(letter, address);
}

PortProfile& SimProfile::Port(BYTE number) {
  EnsureBus(number, 0);
  return ports[number];
}

LetterProfile* SimProfile::Letter(char letter) {
  for (LetterProfile& l : letters) {
    if (l.letter == letter) return &l;
  }
  return nullptr;
}

const LetterProfile* SimProfile::Letter(char letter) const {
  for (const LetterProfile& l : letters) {
    if (l.letter == letter) return &l;
  }
  return nullptr;
}

}  // namespace sim
