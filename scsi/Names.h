// The standard names of operation codes (the command rows of scsi/Commands.h), statuses,
// sense keys and sense codes, as the command trace prints them ("READ(10)", "INVALID FIELD
// IN CDB"). Each returns null for a value it has no name for.
#pragma once

#include <cstdint>

#include "scsi/SenseCodes.h"

namespace scsi {

const char* OpcodeName(std::uint8_t opcode);
const char* StatusName(std::uint8_t status);
const char* SenseKeyName(std::uint8_t key);
const char* SenseCodeName(SenseCode code);

// The sense code's name when it has one, else the sense key's; null for no sense (00/00/00).
const char* SenseName(const Sense& sense);

}  // namespace scsi
