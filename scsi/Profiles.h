// The MMC profiles: what the current profile of a GET CONFIGURATION reply (bytes 6-7 of its
// feature header) says the disc in the drive is, by name, and the family whose 1x the
// disc's speeds are counted in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace scsi {

// The families of media, each with its own 1x.
enum class MediumFamily : std::uint8_t { CD, DVD, BD };

struct Profile {
  std::uint16_t code;
  const char* name;
  MediumFamily family;
};

inline constexpr Profile kProfiles[] = {
    {0x0008, "CD-ROM", MediumFamily::CD},     {0x0009, "CD-R", MediumFamily::CD},
    {0x000A, "CD-RW", MediumFamily::CD},      {0x0010, "DVD-ROM", MediumFamily::DVD},
    {0x0011, "DVD-R", MediumFamily::DVD},     {0x0012, "DVD-RAM", MediumFamily::DVD},
    {0x0013, "DVD-RW", MediumFamily::DVD},    {0x0014, "DVD-RW", MediumFamily::DVD},
    {0x0015, "DVD-R DL", MediumFamily::DVD},  {0x0016, "DVD-R DL", MediumFamily::DVD},
    {0x001A, "DVD+RW", MediumFamily::DVD},    {0x001B, "DVD+R", MediumFamily::DVD},
    {0x002A, "DVD+RW DL", MediumFamily::DVD}, {0x002B, "DVD+R DL", MediumFamily::DVD},
    {0x0040, "BD-ROM", MediumFamily::BD},     {0x0041, "BD-R", MediumFamily::BD},
    {0x0042, "BD-R", MediumFamily::BD},       {0x0043, "BD-RE", MediumFamily::BD},
};

// The row of `code`, or null for a profile not listed.
constexpr const Profile* FindProfile(std::uint16_t code) {
  for (const Profile& profile : kProfiles)
    if (profile.code == code) return &profile;
  return nullptr;
}

// "DVD-ROM", or "profile 0050h" for a profile not listed.
std::string ProfileName(std::uint16_t code);

// The family of `code`; a profile not listed is counted as a CD, as every disc was before
// drives reported profiles.
MediumFamily FamilyOf(std::uint16_t code);

const char* FamilyName(MediumFamily family);  // "CD", "DVD", "BD"

// The feature header of a GET CONFIGURATION reply is 8 bytes; the current profile is in
// bytes 6-7. Nothing when the reply is shorter than the header.
bool CurrentProfile(const std::uint8_t* reply, std::size_t length, std::uint16_t& profile);

}  // namespace scsi
