#include "scsi/Names.h"

#include <cstddef>

#include "scsi/Commands.h"
#include "scsi/Status.h"

namespace scsi {
namespace {

template <class Value>
struct Named {
  Value value;
  const char* name;
};

template <class Value, std::size_t N>
const char* Find(const Named<Value> (&table)[N], Value value) {
  for (const Named<Value>& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return nullptr;
}

constexpr Named<std::uint8_t> kStatuses[] = {
    {status::kGood, "GOOD"},
    {status::kCheckCondition, "CHECK CONDITION"},
    {status::kConditionMet, "CONDITION MET"},
    {status::kBusy, "BUSY"},
    {status::kReservationConflict, "RESERVATION CONFLICT"},
    {status::kTaskSetFull, "TASK SET FULL"},
    {status::kAcaActive, "ACA ACTIVE"},
    {status::kTaskAborted, "TASK ABORTED"},
};

constexpr Named<std::uint8_t> kSenseKeys[] = {
    {key::kNoSense, "NO SENSE"},
    {key::kRecoveredError, "RECOVERED ERROR"},
    {key::kNotReady, "NOT READY"},
    {key::kMediumError, "MEDIUM ERROR"},
    {key::kHardwareError, "HARDWARE ERROR"},
    {key::kIllegalRequest, "ILLEGAL REQUEST"},
    {key::kUnitAttention, "UNIT ATTENTION"},
    {key::kDataProtect, "DATA PROTECT"},
    {key::kBlankCheck, "BLANK CHECK"},
    {key::kVendorSpecific, "VENDOR SPECIFIC"},
    {key::kCopyAborted, "COPY ABORTED"},
    {key::kAbortedCommand, "ABORTED COMMAND"},
    {key::kVolumeOverflow, "VOLUME OVERFLOW"},
    {key::kMiscompare, "MISCOMPARE"},
};

constexpr Named<SenseCode> kSenseCodes[] = {
    {asc::kNoAdditionalSense, "NO ADDITIONAL SENSE INFORMATION"},
    {asc::kIoProcessTerminated, "I/O PROCESS TERMINATED"},
    {asc::kNotReadyCauseNotReportable, "LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
    {asc::kBecomingReady, "LOGICAL UNIT IS IN PROCESS OF BECOMING READY"},
    {asc::kInitializingCommandRequired, "LOGICAL UNIT NOT READY, INITIALIZING COMMAND REQUIRED"},
    {asc::kUnrecoveredReadError, "UNRECOVERED READ ERROR"},
    {asc::kLecUncorrectableError, "L-EC UNCORRECTABLE ERROR"},
    {asc::kRandomPositioningError, "RANDOM POSITIONING ERROR"},
    {asc::kParameterListLengthError, "PARAMETER LIST LENGTH ERROR"},
    {asc::kInvalidCommandOperationCode, "INVALID COMMAND OPERATION CODE"},
    {asc::kLbaOutOfRange, "LOGICAL BLOCK ADDRESS OUT OF RANGE"},
    {asc::kInvalidFieldInCdb, "INVALID FIELD IN CDB"},
    {asc::kLogicalUnitNotSupported, "LOGICAL UNIT NOT SUPPORTED"},
    {asc::kInvalidFieldInParameterList, "INVALID FIELD IN PARAMETER LIST"},
    {asc::kMediumMayHaveChanged, "NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED"},
    {asc::kPowerOnOrReset, "POWER ON, RESET, OR BUS DEVICE RESET OCCURRED"},
    {asc::kModeParametersChanged, "MODE PARAMETERS CHANGED"},
    {asc::kIncompatibleMediumInstalled, "INCOMPATIBLE MEDIUM INSTALLED"},
    {asc::kCannotReadMediumIncompatibleFormat, "CANNOT READ MEDIUM - INCOMPATIBLE FORMAT"},
    {asc::kSavingParametersNotSupported, "SAVING PARAMETERS NOT SUPPORTED"},
    {asc::kMediumNotPresent, "MEDIUM NOT PRESENT"},
    {asc::kMediumNotPresentTrayClosed, "MEDIUM NOT PRESENT - TRAY CLOSED"},
    {asc::kMediumNotPresentTrayOpen, "MEDIUM NOT PRESENT - TRAY OPEN"},
    {asc::kNotSelfConfigured, "LOGICAL UNIT HAS NOT SELF-CONFIGURED YET"},
    {asc::kScsiParityError, "SCSI PARITY ERROR"},
    {asc::kMediumRemovalPrevented, "MEDIUM REMOVAL PREVENTED"},
    {asc::kUnableToRecoverToc, "UNABLE TO RECOVER TABLE-OF-CONTENTS"},
    {asc::kOperatorMediumRemovalRequest, "OPERATOR MEDIUM REMOVAL REQUEST"},
    {asc::kEndOfUserAreaOnTrack, "END OF USER AREA ENCOUNTERED ON THIS TRACK"},
    {asc::kIllegalModeForThisTrack, "ILLEGAL MODE FOR THIS TRACK"},
};

}  // namespace

const char* OpcodeName(std::uint8_t opcode) {
  const Command* command = FindCommand(opcode);
  return command != nullptr ? command->name : nullptr;
}
const char* StatusName(std::uint8_t status) {
  return Find(kStatuses, status);
}
const char* SenseKeyName(std::uint8_t key) {
  return Find(kSenseKeys, key);
}
const char* SenseCodeName(SenseCode code) {
  return Find(kSenseCodes, code);
}

const char* SenseName(const Sense& sense) {
  if (sense == Sense{}) return nullptr;
  // With no additional sense code the key says more ("ABORTED COMMAND").
  const char* name =
      sense.Code() == asc::kNoAdditionalSense ? nullptr : SenseCodeName(sense.Code());
  return name != nullptr ? name : SenseKeyName(sense.key);
}

}  // namespace scsi
