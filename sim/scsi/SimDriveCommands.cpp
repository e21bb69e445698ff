// The simulated drive's commands other than the mode pages and the reads.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "scsi/Inquiry.h"
#include "scsi/Opcodes.h"
#include "scsi/Sense.h"
#include "scsi/Status.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

void PutPadded(std::uint8_t* out, const std::string& text, std::size_t width) {
  std::memset(out, ' ', width);
  std::memcpy(out, text.data(), std::min(text.size(), width));
}

// A TOC address: the LBA big-endian, or 0, M, S, F of LBA + 150 (binary).
void PutAddress(std::uint8_t* out, std::int32_t lba, bool msf) {
  if (!msf) {
    PutBe32(out, static_cast<std::uint32_t>(lba));
    return;
  }
  const std::int64_t a = std::int64_t{lba} + 150;
  out[0] = 0;
  out[1] = static_cast<std::uint8_t>(a / 4500);
  out[2] = static_cast<std::uint8_t>(a / 75 % 60);
  out[3] = static_cast<std::uint8_t>(a % 75);
}

std::uint8_t AdrControl(TrackKind kind) {
  return kind == TrackKind::Data ? 0x14 : 0x10;
}

void PutTrackDescriptor(std::uint8_t* out, std::uint8_t adrControl, std::uint8_t number,
                        std::int32_t lba, bool msf) {
  out[0] = 0;
  out[1] = adrControl;
  out[2] = number;
  out[3] = 0;
  PutAddress(out + 4, lba, msf);
}

}  // namespace

void TestUnitReady(SimDriveCommand& c) {
  c.reply.status = scsi::status::kGood;
}

void RequestSense(SimDriveCommand& c) {
  scsi::Sense sense;
  SimDriveState& s = c.state;
  if (!s.pendingAttention.empty()) {
    sense = scsi::MakeSense(scsi::key::kUnitAttention, s.pendingAttention.front());
    s.pendingAttention.pop_front();
  } else if (!s.disc) {
    sense = scsi::MakeSense(scsi::key::kNotReady, scsi::asc::kMediumNotPresent);
  } else if (c.request.nowMicros < s.readyAtMicros || s.readyAtNextCommand) {
    sense = scsi::MakeSense(scsi::key::kNotReady, scsi::asc::kBecomingReady);
  }
  std::uint8_t data[scsi::kFixedSenseLength];
  const std::size_t length = scsi::BuildSense(data, sizeof data, sense);
  c.Deliver(data, static_cast<std::uint32_t>(length), c.cdb[4]);
}

void Inquiry(SimDriveCommand& c) {
  if ((c.cdb[1] & 0x01) || c.cdb[2] != 0) {  // no vital product data pages
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  std::uint8_t data[36] = {};
  data[0] = scsi::inquiry::kCdDvd;  // connected
  data[1] = scsi::inquiry::kRemovable;
  data[2] = 0x00;
  data[3] = 0x02;  // response data format
  data[4] = sizeof data - 5;
  PutPadded(data + 8, c.config.identity.vendor, 8);
  PutPadded(data + 16, c.config.identity.product, 16);
  PutPadded(data + 32, c.config.identity.revision, 4);
  c.Deliver(data, sizeof data, Be16(c.cdb + 3));
}

void ReadCapacity(SimDriveCommand& c) {
  std::uint8_t data[8];
  const std::int32_t leadOut = c.state.disc->LeadOut();
  PutBe32(data, static_cast<std::uint32_t>(std::max(leadOut - 1, 0)));
  PutBe32(data + 4, 2048);
  c.Deliver(data, sizeof data, sizeof data);
}

void ReadToc(SimDriveCommand& c) {
  const Disc& disc = *c.state.disc;
  const bool msf = (c.cdb[1] & 0x02) != 0;
  std::uint8_t format = c.cdb[2] & 0x0F;
  if (format == 0 && (c.cdb[9] & 0xC0)) format = c.cdb[9] >> 6;  // the older encoding
  const std::uint8_t start = c.cdb[6];
  const std::uint32_t allocation = Be16(c.cdb + 7);
  if (disc.IsBlank() || format > 1) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  const std::vector<Track>& tracks = disc.Tracks();
  std::vector<std::uint8_t> data(4);
  data[2] = disc.FirstTrack();
  data[3] = disc.LastTrack();
  if (format == 1) {  // session information: one session, its first track
    data[2] = data[3] = 1;
    data.resize(12);
    PutTrackDescriptor(data.data() + 4, AdrControl(tracks.front().kind), tracks.front().number,
                       tracks.front().startLba, msf);
  } else {
    if (start != scsi::kLeadOutTrack && start > disc.LastTrack()) {
      c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
      return;
    }
    if (start != scsi::kLeadOutTrack) {
      for (const Track& t : tracks) {
        if (t.number < start) continue;
        const std::size_t at = data.size();
        data.resize(at + 8);
        PutTrackDescriptor(data.data() + at, AdrControl(t.kind), t.number, t.startLba, msf);
      }
    }
    const std::size_t at = data.size();
    data.resize(at + 8);
    PutTrackDescriptor(data.data() + at, AdrControl(tracks.back().kind), scsi::kLeadOutTrack,
                       disc.LeadOut(), msf);
  }
  PutBe16(data.data(), static_cast<std::uint32_t>(data.size() - 2));
  c.Deliver(data.data(), static_cast<std::uint32_t>(data.size()), allocation);
}

void Seek10(SimDriveCommand& c) {
  const std::int64_t lba = static_cast<std::int32_t>(Be32(c.cdb + 2));
  if (lba < 0 || lba >= c.state.disc->LeadOut()) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kLbaOutOfRange);
    return;
  }
  if (!c.model.Timing().zeroLatency)
    c.serviceMicros = c.state.head.Seek(SpeedsOf(c.state, c.model), static_cast<std::int32_t>(lba),
                                        static_cast<double>(c.request.nowMicros));
  c.reply.status = scsi::status::kGood;
}

void SetCdSpeed(SimDriveCommand& c) {
  const std::uint32_t read = Be16(c.cdb + 2);
  double requested;
  if (read == 0xFFFF) {
    requested = c.state.quirks.maximumRequestSpeed;  // 0: the drive's maximum
  } else {
    // The drive's own figure for a speed (to the whole kB/s, in its counting) asks for it:
    // 8,467 kB/s is 48x to a drive that counts 176.4 kB/s per 1x.
    const double perX = c.model.Timing().kiloBytesPerX;
    requested = std::max((static_cast<double>(read) + 0.5) / perX, 1.0);
  }
  c.state.chosenSpeed = c.model.ChooseSpeed(requested);
  c.reply.status = scsi::status::kGood;
}

}  // namespace sim
