// The SCSI and MMC commands the system sends or a simulated drive answers, one row each:
// the operation code (byte 0 of the command descriptor block), the name the command trace
// prints, the length of the command block and the way its data moves. The command builders
// (drive/MMC.cpp), the trace's names (scsi/Names.cpp), the simulated drive's command list and
// the command tests all read these rows: a new command is a row here, its builder and, for
// the simulated drive, its handler.
#pragma once

#include <cstdint>

namespace scsi {

enum class DataDirection : std::uint8_t {
  None,  // no data phase
  In,    // drive to host
  Out,   // host to drive
};

struct Command {
  std::uint8_t opcode;
  const char* name;
  std::uint8_t cdbLength;  // 6, 10, 12 or 16 bytes
  DataDirection direction;
};

// X(identifier, opcode, name, CDB length, direction), in opcode order.
#define VELMARK_SCSI_COMMANDS(X)                                               \
  X(TestUnitReady, 0x00, "TEST UNIT READY", 6, None)                           \
  X(RequestSense, 0x03, "REQUEST SENSE", 6, In)                                \
  X(Inquiry, 0x12, "INQUIRY", 6, In)                                           \
  X(ModeSelect6, 0x15, "MODE SELECT(6)", 6, Out)                               \
  X(ModeSense6, 0x1A, "MODE SENSE(6)", 6, In)                                  \
  X(StartStopUnit, 0x1B, "START STOP UNIT", 6, None)                           \
  X(PreventAllowMediumRemoval, 0x1E, "PREVENT ALLOW MEDIUM REMOVAL", 6, None)  \
  X(ReadCapacity, 0x25, "READ CAPACITY", 10, In)                               \
  X(Read10, 0x28, "READ(10)", 10, In)                                          \
  X(Seek10, 0x2B, "SEEK(10)", 10, None)                                        \
  X(ReadSubChannel, 0x42, "READ SUB-CHANNEL", 10, In)                          \
  X(ReadTocPmaAtip, 0x43, "READ TOC/PMA/ATIP", 10, In)                         \
  X(GetConfiguration, 0x46, "GET CONFIGURATION", 10, In)                       \
  X(GetEventStatusNotification, 0x4A, "GET EVENT STATUS NOTIFICATION", 10, In) \
  X(ReadDiscInformation, 0x51, "READ DISC INFORMATION", 10, In)                \
  X(ReadTrackInformation, 0x52, "READ TRACK INFORMATION", 10, In)              \
  X(ModeSelect10, 0x55, "MODE SELECT(10)", 10, Out)                            \
  X(ModeSense10, 0x5A, "MODE SENSE(10)", 10, In)                               \
  X(Read12, 0xA8, "READ(12)", 12, In)                                          \
  X(GetPerformance, 0xAC, "GET PERFORMANCE", 12, In)                           \
  X(ReadDiscStructure, 0xAD, "READ DISC STRUCTURE", 12, In)                    \
  X(SetStreaming, 0xB6, "SET STREAMING", 12, Out)                              \
  X(ReadCdMsf, 0xB9, "READ CD MSF", 12, In)                                    \
  X(SetCdSpeed, 0xBB, "SET CD SPEED", 12, None)                                \
  X(MechanismStatus, 0xBD, "MECHANISM STATUS", 12, In)                         \
  X(ReadCd, 0xBE, "READ CD", 12, In)

// Each row by name: scsi::cmd::kRead10.
namespace cmd {
#define VELMARK_SCSI_COMMAND_ROW(id, opcode, name, length, direction) \
  inline constexpr Command k##id{opcode, name, length, DataDirection::direction};
VELMARK_SCSI_COMMANDS(VELMARK_SCSI_COMMAND_ROW)
#undef VELMARK_SCSI_COMMAND_ROW
}  // namespace cmd

// Every row, for look-ups by operation code.
inline constexpr Command kCommands[] = {
#define VELMARK_SCSI_COMMAND_ENTRY(id, ...) cmd::k##id,
    VELMARK_SCSI_COMMANDS(VELMARK_SCSI_COMMAND_ENTRY)
#undef VELMARK_SCSI_COMMAND_ENTRY
};

// The length of a command block as its operation code's group (the top three bits) fixes
// it: 0 for the reserved and vendor-specific groups.
constexpr std::uint8_t GroupCdbLength(std::uint8_t opcode) {
  switch (opcode >> 5) {
    case 0:
      return 6;
    case 1:
    case 2:
      return 10;
    case 4:
      return 16;
    case 5:
      return 12;
    default:
      return 0;
  }
}

// The row of `opcode`, or null for a command not described here.
constexpr const Command* FindCommand(std::uint8_t opcode) {
  for (const Command& command : kCommands) {
    if (command.opcode == opcode) return &command;
  }
  return nullptr;
}

namespace detail {
constexpr bool RowsAreSound() {
  int previous = -1;
  for (const Command& command : kCommands) {
    if (command.opcode <= previous) return false;  // in opcode order, each once
    if (command.cdbLength != GroupCdbLength(command.opcode)) return false;
    if (command.name == nullptr || command.name[0] == '\0') return false;
    previous = command.opcode;
  }
  return true;
}
}  // namespace detail
static_assert(detail::RowsAreSound(),
              "a command row out of opcode order, listed twice, unnamed, or with a CDB length "
              "its opcode's group does not have");

}  // namespace scsi
