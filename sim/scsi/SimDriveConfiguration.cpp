// GET CONFIGURATION: the feature header, which names the current profile, and the drive's
// features from the starting one on. The simulated drive reads CDs only: its one profile is
// CD-ROM (0008h). The disc model knows pressed discs, not recordable ones, so any disc with
// a table of contents is a CD-ROM; with no disc, or a blank one (which only a recorder could
// use), there is no current profile.
#include <cstdint>
#include <iterator>
#include <vector>

#include "scsi/Sense.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

constexpr std::uint16_t kNoProfile = 0x0000;
constexpr std::uint16_t kCdRomProfile = 0x0008;

constexpr std::uint16_t kProfileListFeature = 0x0000;

// RT, byte 1: every feature from the starting one on, the current ones from it on, that one
// feature alone; 3 is reserved.
constexpr std::uint8_t kOneFeature = 0x02;
constexpr std::uint8_t kReservedRequestType = 0x03;

}  // namespace

void GetConfiguration(SimDriveCommand& c) {
  const std::uint8_t requestType = c.cdb[1] & 0x03;
  const std::uint32_t start = Be16(c.cdb + 2);
  const std::uint32_t allocation = Be16(c.cdb + 7);
  if (requestType == kReservedRequestType) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  const bool cd = c.state.disc.has_value() && !c.state.disc->IsBlank();

  std::vector<std::uint8_t> data(8);  // header: data length, reserved, current profile
  PutBe16(data.data() + 6, cd ? kCdRomProfile : kNoProfile);
  // The profile list is persistent and always current, so every request type reports it
  // when the starting feature admits it.
  const bool profileList =
      requestType == kOneFeature ? start == kProfileListFeature : start <= kProfileListFeature;
  if (profileList) {
    const std::uint8_t feature[] = {
        0x00,
        0x00,  // feature code 0000h
        0x03,  // version 0, persistent, current
        0x04,  // one profile descriptor follows
        std::uint8_t(kCdRomProfile >> 8),
        std::uint8_t(kCdRomProfile),
        std::uint8_t(cd ? 0x01 : 0x00),  // CurrentP: while a CD is in
        0x00,
    };
    data.insert(data.end(), std::begin(feature), std::end(feature));
  }
  PutBe32(data.data(), static_cast<std::uint32_t>(data.size() - 4));  // bytes after the field
  c.Deliver(data.data(), static_cast<std::uint32_t>(data.size()), allocation);
}

}  // namespace sim
