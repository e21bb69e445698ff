#include "drive/DriveAsFound.h"

#include <algorithm>
#include <cstdio>

#include "drive/CommandBuffer.h"
#include "transport/wnaspi32.h"

namespace {

constexpr DWORD kReadRetryByte = 3;  // page 01h: the read retry count

// The sense of a refusal: "05/26/00", or the status when there is none.
std::string Refusal(BYTE status, const SenseResult& sense) {
  char text[32];
  if (sense.SenseKey != 0 || sense.ASC != 0)
    std::snprintf(text, sizeof text, "%02X/%02X/%02X", sense.SenseKey & 0x0F, sense.ASC,
                  sense.ASCQ);
  else
    std::snprintf(text, sizeof text, "status 0x%02X", status);
  return text;
}

// Page 01h in `reply`, whole and holding the read retry count, or null.
BYTE* ErrorRecoveryPage(BYTE* reply, DWORD length, BYTE layout) {
  bool match = false;
  BYTE* page = InitMMCSeq::FindModePage(reply, length, layout, kPageErrorRecovery, match);
  if (page == nullptr || !match || page + 2 > reply + length) return nullptr;
  if (page[1] < kReadRetryByte - 1 || page + 2 + page[1] > reply + length) return nullptr;
  return page;
}

}  // namespace

WORD DriveAsFound::SetBlockLength(WORD wanted, SenseResult* sense) {
  const WORD before = drive_.SetBlockLength(device_, wanted, sense);
  if (!found_) found_ = before;
  asked_ = wanted;
  return before;
}

std::optional<int> DriveAsFound::SetReadRetryCount(BYTE wanted, SenseResult* sense,
                                                   std::string& why) {
  alignas(kCommandBufferAlignment) BYTE reply[kModeReplySize] = {};
  BYTE layout = kModeLayoutNone;
  BYTE status =
      drive_.ModeSenseAuto(device_, kPageErrorRecovery, kModeReplySize, reply, sense, layout);
  BYTE* page = status == SS_COMP ? ErrorRecoveryPage(reply, sizeof reply, layout) : nullptr;
  if (page == nullptr) {
    why = "the drive reports no page 01h (" + Refusal(status, *sense) + ")";
    return std::nullopt;
  }
  const BYTE current = page[kReadRetryByte];
  if (current == wanted) return current;

  alignas(kCommandBufferAlignment) BYTE changeable[kModeReplySize] = {};
  status = drive_.ModeSenseChangeable(device_, kPageErrorRecovery, layout == kModeLayout10,
                                      kModeReplySize, changeable, sense);
  const BYTE* mask =
      status == SS_COMP ? ErrorRecoveryPage(changeable, sizeof changeable, layout) : nullptr;
  if (mask == nullptr) {
    why = "the drive does not say which fields of page 01h can change (" + Refusal(status, *sense) +
          ")";
    return current;
  }
  if (((current ^ wanted) & ~mask[kReadRetryByte]) != 0) {
    why = "the drive's read retry count cannot be changed";
    return current;
  }
  std::vector<BYTE> found(page, page + 2 + page[1]);
  page[0] &= scsi::page::kCodeMask;  // the page-saveable bit is reserved in MODE SELECT
  page[kReadRetryByte] = wanted;
  *sense = SenseResult{};
  status = layout == kModeLayout10 ? drive_.ModeSelect10(device_, reply, sizeof reply, sense)
                                   : drive_.ModeSelect6(device_, reply, sizeof reply, sense);
  if (status != SS_COMP) {
    why = "MODE SELECT of page 01h refused: " + Refusal(status, *sense);
    return current;
  }
  if (!foundErrorRecovery_) foundErrorRecovery_ = std::move(found);
  return wanted;
}

void DriveAsFound::Restore() {
  if (found_ && asked_ != *found_) {
    asked_ = *found_;
    if (!drive_.StoppedResponding(device_)) {
      SenseResult sense{};
      drive_.SetBlockLength(device_, *found_, &sense);
    }
  }
  if (foundErrorRecovery_) {
    const std::vector<BYTE> page = std::move(*foundErrorRecovery_);
    foundErrorRecovery_.reset();
    if (!drive_.StoppedResponding(device_)) RestoreErrorRecoveryPage(page);
  }
}

void DriveAsFound::RestoreErrorRecoveryPage(const std::vector<BYTE>& found) {
  alignas(kCommandBufferAlignment) BYTE reply[kModeReplySize] = {};
  BYTE layout = kModeLayoutNone;
  SenseResult sense{};
  if (drive_.ModeSenseAuto(device_, kPageErrorRecovery, kModeReplySize, reply, &sense, layout) !=
      SS_COMP)
    return;
  BYTE* page = ErrorRecoveryPage(reply, sizeof reply, layout);
  if (page == nullptr) return;
  // The page's bytes as found, within the length the drive answers now; the block
  // descriptor stays as it is (the block length has its own restore).
  const std::size_t length = std::min<std::size_t>(found.size(), 2u + page[1]);
  std::copy(found.begin() + 2, found.begin() + static_cast<std::ptrdiff_t>(length), page + 2);
  page[0] &= scsi::page::kCodeMask;
  sense = SenseResult{};
  if (layout == kModeLayout10)
    drive_.ModeSelect10(device_, reply, sizeof reply, &sense);
  else
    drive_.ModeSelect6(device_, reply, sizeof reply, &sense);
}
