// GET CONFIGURATION: the feature header, which names the current profile, and the drive's
// features from the starting one on: the profile list, the drive's profiles (CD-ROM 0008h
// alone unless its configuration lists more) and, on a drive that streams in real time,
// feature 0107h, current with a DVD or BD in the drive. The disc model knows pressed discs, not
// recordable ones: the current profile is the disc's own (CD-ROM, DVD-ROM, BD-ROM); with no
// disc, or a blank one (which only a recorder could use), there is no current profile.
//
// READ DISC STRUCTURE format 00h of a DVD: the physical format information (ECMA-267) with
// the disc's layers and the sectors of its data area, which starts at 30000h.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "scsi/Sense.h"
#include "scsi/Streaming.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

constexpr std::uint16_t kNoProfile = 0x0000;
constexpr std::uint32_t kDataAreaStart = 0x030000;  // a DVD's first data sector
constexpr std::uint32_t kPhysicalFormatBytes = 2048;

constexpr std::uint16_t kProfileListFeature = 0x0000;
constexpr std::uint16_t kCdReadFeature = 0x001E;

// RT, byte 1: every feature from the starting one on, the current ones from it on, that one
// feature alone; 3 is reserved.
constexpr std::uint8_t kCurrentFeatures = 0x01;
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
  const bool disc = c.state.disc.has_value() && !c.state.disc->IsBlank();
  const std::uint16_t current = disc ? c.state.disc->Profile() : kNoProfile;

  std::vector<std::uint8_t> data(8);  // header: data length, reserved, current profile
  PutBe16(data.data() + 6, current);
  // The profile list is persistent and always current, so every request type reports it
  // when the starting feature admits it.
  const bool profileList =
      requestType == kOneFeature ? start == kProfileListFeature : start <= kProfileListFeature;
  if (profileList) {
    const auto& profiles = c.config.profiles;
    const std::uint8_t feature[] = {
        0x00,
        0x00,                               // feature code 0000h
        0x03,                               // version 0, persistent, current
        std::uint8_t(4 * profiles.size()),  // the profile descriptors that follow
    };
    data.insert(data.end(), std::begin(feature), std::end(feature));
    for (const std::uint16_t profile : profiles) {
      const std::uint8_t descriptor[] = {
          std::uint8_t(profile >> 8), std::uint8_t(profile),
          std::uint8_t(disc && profile == current ? 0x01 : 0x00),  // CurrentP
          0x00};
      data.insert(data.end(), std::begin(descriptor), std::end(descriptor));
    }
  }
  // CD Read: current with a CD in the drive; its C2 flag says whether the drive claims C2
  // error pointers.
  const bool cdCurrent = disc && scsi::FamilyOf(current) == scsi::MediumFamily::CD;
  const bool cdRead =
      c.config.audio.cdReadFeature &&
      (requestType == kOneFeature ? start == kCdReadFeature : start <= kCdReadFeature) &&
      (requestType != kCurrentFeatures || cdCurrent);
  if (cdRead) {
    const std::uint8_t feature[] = {0x00,
                                    std::uint8_t(kCdReadFeature),
                                    std::uint8_t(0x08 | (cdCurrent ? 0x01 : 0x00)),
                                    0x04,
                                    std::uint8_t(c.config.audio.ClaimsC2() ? 0x02 : 0x00),
                                    0x00,
                                    0x00,
                                    0x00};
    data.insert(data.end(), std::begin(feature), std::end(feature));
  }
  // Real-time streaming: current when the disc is a DVD or BD (not listed among the current
  // features otherwise).
  const std::uint16_t streaming = scsi::kRealTimeStreamingFeature;
  const bool streams = disc && c.state.disc->Family() != scsi::MediumFamily::CD;
  if (c.config.realTimeStreaming &&
      (requestType == kOneFeature ? start == streaming : start <= streaming) &&
      (streams || requestType != kCurrentFeatures)) {
    const std::uint8_t feature[] = {
        std::uint8_t(streaming >> 8),
        std::uint8_t(streaming),
        std::uint8_t(0x04 | (streams ? 0x01 : 0x00)),  // version 1, current
        0x04,                                          // the flags that follow
        0x08,
        0x00,
        0x00,
        0x00};  // SCS: SET CD SPEED works too
    data.insert(data.end(), std::begin(feature), std::end(feature));
  }
  PutBe32(data.data(), static_cast<std::uint32_t>(data.size() - 4));  // bytes after the field
  c.Deliver(data.data(), static_cast<std::uint32_t>(data.size()), allocation);
}

// SET STREAMING: a type-0 list's performance descriptor sets the read speed as SET CD SPEED
// would, to read size / read time (kB/s in the drive's counting). A drive without real-time
// streaming finds the command's fields invalid.
void SetStreaming(SimDriveCommand& c) {
  const std::uint32_t length = Be16(c.cdb + 9);
  if (c.config.quirks.refusesSetStreaming) {  // as if the command did not exist
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidCommandOperationCode);
    return;
  }
  if (!c.config.realTimeStreaming || c.cdb[8] != scsi::kPerformanceDescriptorType) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  scsi::PerformanceDescriptor d{};
  if (length < sizeof d || c.in == nullptr || c.inLength < sizeof d) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kParameterListLengthError);
    return;
  }
  std::memcpy(&d, c.in, sizeof d);
  const std::uint32_t size = scsi::StreamingField(d.readSize);
  const std::uint32_t time = scsi::StreamingField(d.readTime);
  if (time == 0 || size == 0) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInParameterList);
    return;
  }
  const double kbps = static_cast<double>(size) * 1000.0 / time;
  const double requested = std::max(kbps / c.model.Timing().kiloBytesPerX, 1.0);
  c.state.chosenSpeed = c.model.ChooseSpeed(requested + 1e-9);
  c.reply.status = scsi::status::kGood;
}

void ReadDiscStructure(SimDriveCommand& c) {
  const std::uint8_t mediaType = c.cdb[1] & 0x0F;
  const std::uint8_t layer = c.cdb[6];
  const std::uint8_t format = c.cdb[7];
  const std::uint32_t allocation = Be16(c.cdb + 8);
  if (mediaType != 0 || format != 0x00) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  const Disc& disc = *c.state.disc;
  if (disc.Family() != scsi::MediumFamily::DVD) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kCannotReadMediumIncompatibleFormat);
    return;
  }
  if (layer >= disc.Layers()) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  std::vector<std::uint8_t> data(4 + kPhysicalFormatBytes);
  PutBe16(data.data(), kPhysicalFormatBytes + 2);  // bytes after the length field
  std::uint8_t* info = data.data() + 4;
  info[0] = 0x01;  // DVD-ROM, part version 1
  info[1] = 0x02;  // 120 mm, at most 10.08 Mbit/s
  info[2] = std::uint8_t((disc.Layers() - 1) << 5 | (disc.OppositeTrackPath() ? 0x10 : 0x00) |
                         0x01);  // layers, track path, embossed user data
  info[3] = 0x10;                // 0.267 um a bit, 0.74 um track pitch
  const std::uint32_t layer0 =
      static_cast<std::uint32_t>(disc.Layers() > 1 ? disc.LayerBreak() : disc.LeadOut());
  std::uint32_t end = kDataAreaStart + layer0 - 1;
  std::uint32_t layer0End = 0;
  if (disc.OppositeTrackPath()) {
    // Layer 1's last sector lies at the radius of layer 0's sector break - (blocks of
    // layer 1), and numbers it in complement.
    const std::uint32_t layer1 = static_cast<std::uint32_t>(disc.LeadOut()) - layer0;
    end = ~(kDataAreaStart + layer0 - layer1) & 0xFFFFFF;
    layer0End = kDataAreaStart + layer0 - 1;
  }
  PutBe32(info + 4, kDataAreaStart);  // byte 4 is zero, then 3 bytes
  PutBe32(info + 8, end);
  PutBe32(info + 12, layer0End);
  c.Deliver(data.data(), static_cast<std::uint32_t>(data.size()), allocation);
}

}  // namespace sim
