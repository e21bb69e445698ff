// The commands the simulated drive answers: one row each, naming the command (its row in
// scsi/Commands.h), the shared checks dispatch makes before the handler runs, and the
// handler. The drive's opcode table and its list of supported commands
// (SimDrive::SupportedOpcodes) are both made from this list, so they cannot disagree.
// Adding a command is a row here and its handler.
#pragma once

#include <cstdint>

#include "scsi/Commands.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {

// The shared checks a command is subject to, or-ed together in its row.
enum DriveCommandFlags : std::uint8_t {
  NO_CHECKS = 0,
  CHECK_READY = 1 << 0,  // needs the medium: no disc 02/3A/00, becoming ready 02/04/01
  ALLOW_UA = 1 << 1,     // answered while a unit attention is pending (it stays pending)
  SPINS_UP = 1 << 2,     // moves the head to the disc: a stopped disc spins up first
};

struct DriveCommand {
  scsi::Command command;
  std::uint8_t flags;  // DriveCommandFlags
  void (*handler)(SimDriveCommand& c);
};

// The handlers (SimDriveCommands.cpp, SimDriveModePages.cpp, SimDriveReads.cpp).
void TestUnitReady(SimDriveCommand& c);
void RequestSense(SimDriveCommand& c);
void Inquiry(SimDriveCommand& c);
void ReadCapacity(SimDriveCommand& c);
void ModeSense6(SimDriveCommand& c);
void ModeSense10(SimDriveCommand& c);
void ModeSelect6(SimDriveCommand& c);
void ModeSelect10(SimDriveCommand& c);
void Read10(SimDriveCommand& c);
void Read12(SimDriveCommand& c);
void ReadCd(SimDriveCommand& c);
void ReadCdMsf(SimDriveCommand& c);
void ReadToc(SimDriveCommand& c);
void Seek10(SimDriveCommand& c);
void SetCdSpeed(SimDriveCommand& c);
void StartStopUnit(SimDriveCommand& c);      // SimDrivePower.cpp
void GetPerformance(SimDriveCommand& c);     // SimDrivePower.cpp
void GetConfiguration(SimDriveCommand& c);   // SimDriveConfiguration.cpp
void ReadDiscStructure(SimDriveCommand& c);  // SimDriveConfiguration.cpp
void SetStreaming(SimDriveCommand& c);       // SimDriveConfiguration.cpp

inline constexpr DriveCommand kDriveCommands[] = {
    {scsi::cmd::kTestUnitReady, CHECK_READY, TestUnitReady},
    {scsi::cmd::kRequestSense, ALLOW_UA, RequestSense},
    {scsi::cmd::kInquiry, ALLOW_UA, Inquiry},
    {scsi::cmd::kModeSelect6, NO_CHECKS, ModeSelect6},
    {scsi::cmd::kModeSense6, NO_CHECKS, ModeSense6},
    {scsi::cmd::kReadCapacity, CHECK_READY, ReadCapacity},
    {scsi::cmd::kStartStopUnit, NO_CHECKS, StartStopUnit},
    {scsi::cmd::kRead10, CHECK_READY | SPINS_UP, Read10},
    {scsi::cmd::kSeek10, CHECK_READY | SPINS_UP, Seek10},
    {scsi::cmd::kReadTocPmaAtip, CHECK_READY, ReadToc},
    {scsi::cmd::kGetConfiguration, NO_CHECKS, GetConfiguration},  // no disc: no current profile
    {scsi::cmd::kModeSelect10, NO_CHECKS, ModeSelect10},
    {scsi::cmd::kModeSense10, NO_CHECKS, ModeSense10},
    {scsi::cmd::kRead12, CHECK_READY | SPINS_UP, Read12},
    {scsi::cmd::kGetPerformance, CHECK_READY, GetPerformance},
    {scsi::cmd::kReadDiscStructure, CHECK_READY, ReadDiscStructure},
    {scsi::cmd::kSetStreaming, NO_CHECKS, SetStreaming},
    {scsi::cmd::kReadCdMsf, CHECK_READY | SPINS_UP, ReadCdMsf},
    {scsi::cmd::kSetCdSpeed, NO_CHECKS, SetCdSpeed},
    {scsi::cmd::kReadCd, CHECK_READY | SPINS_UP, ReadCd},
};

}  // namespace sim
