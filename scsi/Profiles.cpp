#include "scsi/Profiles.h"

#include <cstdio>

namespace scsi {

std::string ProfileName(std::uint16_t code) {
  if (const Profile* profile = FindProfile(code)) return profile->name;
  char text[24];
  std::snprintf(text, sizeof text, "profile %04Xh", static_cast<unsigned>(code));
  return text;
}

MediumFamily FamilyOf(std::uint16_t code) {
  const Profile* profile = FindProfile(code);
  return profile ? profile->family : MediumFamily::CD;
}

const char* FamilyName(MediumFamily family) {
  switch (family) {
    case MediumFamily::DVD:
      return "DVD";
    case MediumFamily::BD:
      return "BD";
    case MediumFamily::CD:
      break;
  }
  return "CD";
}

bool CurrentProfile(const std::uint8_t* reply, std::size_t length, std::uint16_t& profile) {
  if (reply == nullptr || length < 8) return false;
  profile = static_cast<std::uint16_t>(reply[6] << 8 | reply[7]);
  return true;
}

}  // namespace scsi
