// MODE SENSE and MODE SELECT of the simulated drive: pages 01h (read/write error
// recovery) and 2Ah (CD capabilities and mechanical status), the block descriptor that
// carries the block length, and the firmware quirks around them.
#include <cmath>
#include <cstring>
#include <vector>

#include "scsi/Opcodes.h"
#include "scsi/Status.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

constexpr std::uint8_t kErrorRecoveryPage = scsi::page::kErrorRecovery;
constexpr std::uint8_t kCapabilitiesPage = scsi::page::kCapabilities;
constexpr std::uint8_t kAllPages = scsi::page::kAllPages;
constexpr std::uint8_t kErrorRecoveryLength = 0x0A;
constexpr std::uint8_t kCapabilitiesLength = 0x18;

enum class PageControl { Current, Changeable, Default, Saved };

// Page 01h: the read retry count (byte 3) is the only field of any value; it is
// changeable on a drive whose firmware says so.
void AppendErrorRecovery(std::vector<std::uint8_t>& d, const SimDriveCommand& c, PageControl pc) {
  std::uint8_t page[12] = {kErrorRecoveryPage, kErrorRecoveryLength};
  if (pc == PageControl::Current) page[3] = c.state.readRetryCount;
  if (pc == PageControl::Default) page[3] = kDefaultReadRetryCount;
  if (pc == PageControl::Changeable && c.state.quirks.readRetryChangeable) page[3] = 0xFF;
  d.insert(d.end(), page, page + sizeof page);
}

void AppendCapabilities(std::vector<std::uint8_t>& d, const SimDriveCommand& c, PageControl pc) {
  std::uint8_t page[26] = {};
  page[0] = c.state.quirks.capabilitiesPage == FirmwareQuirks::CapabilitiesPage::OtherPageCode
                ? c.state.quirks.capabilitiesAnswerCode
                : kCapabilitiesPage;
  page[1] = kCapabilitiesLength;
  if (pc != PageControl::Changeable) {
    const DriveTiming& t = c.model.Timing();
    // Reads CD-R and CD-RW; a drive with DVD profiles DVD-ROM, DVD-R and DVD-RAM too.
    page[2] = c.config.ReadsDvd() ? 0x3B : 0x03;
    page[4] = 0x71;  // audio play, Mode 2 Form 1 and 2, multi-session
    // CD-DA commands supported, CD-DA stream is accurate, C2 pointers supported.
    page[5] = static_cast<std::uint8_t>((c.config.audio.cdda ? 0x01 : 0x00) |
                                        (c.config.audio.accurateStreamClaimed ? 0x02 : 0x00) |
                                        (c.config.audio.ClaimsC2() ? 0x10 : 0x00));
    page[6] = 0x29;  // tray loading, eject, lock
    page[7] = 0x03;  // separate volume and mute per channel
    PutBe16(page + 8, KiloBytesPerSecond(t.maxDataSpeed, t));
    PutBe16(page + 10, 256);  // volume levels
    PutBe16(page + 12, static_cast<std::uint32_t>(std::min<std::uint64_t>(
                           std::uint64_t{t.cacheBlocks} * 2, 0xFFFF)));  // buffer, KB
    const double current = pc == PageControl::Default ? t.maxDataSpeed : c.state.chosenSpeed;
    PutBe16(page + 14, KiloBytesPerSecond(current, t));
  }
  d.insert(d.end(), page, page + sizeof page);
}

void ModeSense(SimDriveCommand& c, bool tenByte) {
  const FirmwareQuirks& q = c.state.quirks;
  if (tenByte && q.rejectsModeSense10) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidCommandOperationCode);
    return;
  }
  const bool dbd = (c.cdb[1] & 0x08) != 0;
  const auto pc = static_cast<PageControl>(c.cdb[2] >> 6);
  const std::uint8_t page = c.cdb[2] & 0x3F;
  const std::uint32_t allocation = tenByte ? Be16(c.cdb + 7) : c.cdb[4];
  if (pc == PageControl::Saved) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kSavingParametersNotSupported);
    return;
  }
  const bool capabilitiesMissing = q.capabilitiesPage == FirmwareQuirks::CapabilitiesPage::Missing;
  if ((page != kErrorRecoveryPage && page != kCapabilitiesPage && page != kAllPages) ||
      (page == kCapabilitiesPage && capabilitiesMissing)) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  const bool shortHeader = !tenByte || q.modeSense10ShortHeader;
  std::vector<std::uint8_t> d(shortHeader ? 4 : 8, 0);
  // A drive with the short-header quirk answers MODE SENSE(10) as if it were MODE SENSE(6)
  // with DBD set: 4-byte header, the page right after it at byte 4.
  const bool shortTen = tenByte && q.modeSense10ShortHeader;
  if (!dbd && !q.noBlockDescriptors && !shortTen) {
    std::uint8_t descriptor[8] = {};  // density code 0, number of blocks 0 (all)
    const std::uint32_t length = pc == PageControl::Changeable ? 0xFFFFFF
                                 : pc == PageControl::Default  ? c.config.blockLength
                                                               : c.state.blockLength;
    descriptor[5] = std::uint8_t(length >> 16);
    descriptor[6] = std::uint8_t(length >> 8);
    descriptor[7] = std::uint8_t(length);
    d.insert(d.end(), descriptor, descriptor + sizeof descriptor);
  }
  const std::uint32_t bdl = static_cast<std::uint32_t>(d.size() - (shortHeader ? 4 : 8));
  if (page == kErrorRecoveryPage || page == kAllPages) AppendErrorRecovery(d, c, pc);
  if (page == kCapabilitiesPage || (page == kAllPages && !capabilitiesMissing))
    AppendCapabilities(d, c, pc);
  if (shortHeader) {
    d[0] = static_cast<std::uint8_t>(d.size() - 1);
    d[3] = static_cast<std::uint8_t>(bdl);
  } else {
    PutBe16(d.data(), static_cast<std::uint32_t>(d.size() - 2));
    PutBe16(d.data() + 6, bdl);
  }
  c.Deliver(d.data(), static_cast<std::uint32_t>(d.size()), allocation);
}

void ModeSelect(SimDriveCommand& c, bool tenByte) {
  if (tenByte && c.state.quirks.rejectsModeSense10) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidCommandOperationCode);
    return;
  }
  const std::uint32_t listLength = tenByte ? Be16(c.cdb + 7) : c.cdb[4];
  if (listLength == 0) {  // nothing to change
    c.reply.status = scsi::status::kGood;
    return;
  }
  const std::uint32_t n = c.in ? std::min(listLength, c.inLength) : 0;
  const std::uint8_t* list = c.in;
  const std::uint32_t header = tenByte ? 8 : 4;
  auto malformed = [&c] {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInParameterList);
  };
  if (n < header) return malformed();
  const std::uint32_t mdl = tenByte ? Be16(list) : list[0];
  const std::uint32_t bdl = tenByte ? Be16(list + 6) : list[3];
  if (mdl != 0 || (bdl != 0 && bdl != 8) || n < header + bdl) return malformed();
  std::uint32_t newLength = c.state.blockLength;
  std::uint8_t retries = c.state.readRetryCount;
  if (bdl == 8) {
    newLength = Be24(list + header + 5);
    if (newLength != 2048 && newLength != 2352) return malformed();
  }
  for (std::uint32_t at = header + bdl; at < n;) {
    if (n - at < 2) return malformed();
    const std::uint8_t code = list[at] & 0x3F;
    const std::uint32_t length = list[at + 1];
    if (code != kErrorRecoveryPage || length != kErrorRecoveryLength || n - at - 2 < length)
      return malformed();  // only the error recovery page can be written
    retries = list[at + 3];
    at += 2 + length;
  }
  if (retries != c.state.readRetryCount && !c.state.quirks.readRetryChangeable)
    return malformed();  // a field that cannot be changed
  c.state.blockLength = static_cast<std::uint16_t>(newLength);
  c.state.readRetryCount = retries;
  c.reply.status = scsi::status::kGood;
}

}  // namespace

void ModeSense6(SimDriveCommand& c) {
  ModeSense(c, false);
}
void ModeSense10(SimDriveCommand& c) {
  ModeSense(c, true);
}
void ModeSelect6(SimDriveCommand& c) {
  ModeSelect(c, false);
}
void ModeSelect10(SimDriveCommand& c) {
  ModeSelect(c, true);
}

}  // namespace sim
