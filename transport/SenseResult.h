// The 4-byte sense result every command fills: sense key, ASC, ASCQ and the retry made.
#pragma once

#include "platform/win32.h"
#include "scsi/SenseCodes.h"

struct SenseResult {
  BYTE SenseKey;    // low four bits of sense byte 2
  BYTE ASC;         // additional sense code, sense byte 12
  BYTE ASCQ;        // additional sense code qualifier, sense byte 13
  BYTE RetryCount;  // number of the retry that was made (0 if none)
};
static_assert(sizeof(SenseResult) == 4);

// Key, ASC and ASCQ of a sense result, for the vocabulary's predicates.
inline scsi::Sense SenseOf(const SenseResult& result) {
  return {result.SenseKey, result.ASC, result.ASCQ};
}
