// Operation codes (byte 0 of a command descriptor block) of the commands described in
// scsi/Commands.h, and the mode page codes the system asks for.
#pragma once

#include <cstdint>

#include "scsi/Commands.h"

namespace scsi {

// The operation code of each described command by name: scsi::op::kRead10.
namespace op {
#define VELMARK_SCSI_OPCODE(id, ...) inline constexpr std::uint8_t k##id = cmd::k##id.opcode;
VELMARK_SCSI_COMMANDS(VELMARK_SCSI_OPCODE)
#undef VELMARK_SCSI_OPCODE
}  // namespace op

// Mode page codes (the low six bits of MODE SENSE byte 2).
namespace page {
inline constexpr std::uint8_t kErrorRecovery = 0x01;  // read/write error recovery
inline constexpr std::uint8_t kCapabilities = 0x2A;   // CD/DVD capabilities and mechanical status
inline constexpr std::uint8_t kAllPages = 0x3F;       // every page the drive has
inline constexpr std::uint8_t kCodeMask = 0x3F;       // page code bits of a page's byte 0
}  // namespace page

// The track number that stands for the lead-out in READ TOC/PMA/ATIP.
inline constexpr std::uint8_t kLeadOutTrack = 0xAA;

}  // namespace scsi
