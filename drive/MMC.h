// The MMC command set: every drive operation the system sends becomes one command block,
// zero-filled 16 bytes holding the opcode, and goes through ExecSCSICmd with a data area
// and the caller's sense area; the block's length and the transfer direction are the
// command's own (its row in scsi/Commands.h). No builder interprets the reply; each
// returns the completion status unchanged.
#pragma once

#include "drive/AspiTools.h"
#include "drive/ScrambleTable.h"
#include "platform/win32.h"
#include "scsi/Opcodes.h"
#include "scsi/ReadCdC2.h"
#include "scsi/Streaming.h"
#include "transport/Aspi.h"
#include "transport/DeviceEntry.h"
#include "transport/SenseResult.h"

// GET PERFORMANCE types (byte 10) and the data type of nominal read performance (byte 1:
// tolerance 10b, Write 0, Except 00b).
inline constexpr BYTE kPerformanceData = 0x00;
inline constexpr BYTE kWriteSpeedDescriptors = 0x03;
inline constexpr BYTE kNominalReadPerformance = 0x10;

inline constexpr int kCdbSize = 16;  // every command block is passed as 16 bytes

// GET CONFIGURATION request types (byte 1, RT): every feature from the starting one on, the
// current ones from it on, or that one feature alone.
inline constexpr BYTE kAllFeatures = 0x00;
inline constexpr BYTE kCurrentFeatures = 0x01;
inline constexpr BYTE kOneFeature = 0x02;

// READ CAPACITY's reply: the last logical block address, then the block length in bytes,
// each 4 bytes big-endian.
inline constexpr DWORD kReadCapacityReplySize = 8;

class MMC : public Aspi, public ScrambleTable, public virtual AspiTools {
 public:
  MMC();
  ~MMC();

  BYTE TestUnitReady(DeviceEntry& device, SenseResult* sense);
  BYTE Seek10(DeviceEntry& device, LONG lba, SenseResult* sense);
  BYTE ReadCapacity(DeviceEntry& device, BYTE (&reply)[kReadCapacityReplySize], SenseResult* sense);
  // GET CONFIGURATION of `requestType` (kAllFeatures …) from `startingFeature` (0: from the
  // profile list on, whose header carries the current profile); the reply lands in `buffer`.
  BYTE GetConfiguration(DeviceEntry& device, BYTE requestType, WORD startingFeature, BYTE* buffer,
                        WORD allocLength, SenseResult* sense);
  // READ DISC STRUCTURE of `format` for `mediaType` (byte 1: 0 DVD, 1 BD) at `address` on
  // `layer`; the reply lands in `buffer`.
  BYTE ReadDiscStructure(DeviceEntry& device, BYTE mediaType, DWORD address, BYTE layer,
                         BYTE format, BYTE* buffer, WORD allocLength, SenseResult* sense);
  // START STOP UNIT: `start` 1 spins the disc up, 0 stops it; `loadEject` with start 0
  // ejects, with start 1 loads. `immediate` returns before the operation completes.
  BYTE StartStopUnit(DeviceEntry& device, bool start, bool loadEject, bool immediate,
                     SenseResult* sense);
  // GET PERFORMANCE of `type` (kPerformanceData, kWriteSpeedDescriptors …) with byte 1's
  // `dataType`, from `startLba`, at most `maxDescriptors`; the reply lands in `buffer`.
  BYTE GetPerformance(DeviceEntry& device, BYTE type, BYTE dataType, LONG startLba,
                      WORD maxDescriptors, BYTE* buffer, DWORD bufferLength, SenseResult* sense);
  // SET STREAMING with one performance descriptor (type 0) as its parameter list.
  BYTE SetStreaming(DeviceEntry& device, scsi::PerformanceDescriptor& descriptor,
                    SenseResult* sense);
  // Speeds in kB/s; FFFFh asks for the drive's maximum.
  BYTE SetCDSpeed(DeviceEntry& device, WORD readSpeed, WORD writeSpeed, SenseResult* sense);
  BYTE ReadTOCPMAATIP(DeviceEntry& device, BYTE msf, BYTE track, BYTE format, BYTE* buffer,
                      WORD allocLength, SenseResult* sense);
  BYTE Read10(DeviceEntry& device, LONG lba, WORD blocks, BYTE* buffer, DWORD bufferLength,
              SenseResult* sense);
  // READ(12) of `blocks` blocks at the block length in force; `forceUnitAccess` sets FUA
  // (byte 1, 08h): the blocks come from the medium, not the drive's cache.
  BYTE Read12(DeviceEntry& device, LONG lba, DWORD blocks, bool forceUnitAccess, BYTE* buffer,
              DWORD bufferLength, SenseResult* sense);
  // `sectorType` is the MMC field already in bits 2-4; `flags` the byte-9 selection.
  BYTE ReadCD(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
              BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense);
  // As ReadCD, addressed by MSF: from LBAtoMSF(lba) to LBAtoMSF(lba + blocks), exclusive.
  BYTE ReadCDMSF(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
                 BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense);
  // READ CD of whole sectors with their C2 error information (scsi/ReadCdC2.h): `buffer`
  // must hold `blocks` sectors of C2SectorBytes(field), else nothing is sent and the answer
  // is SS_INVALID_SRB.
  BYTE ReadCDC2(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, scsi::C2Field field,
                BYTE* buffer, DWORD bufferLength, SenseResult* sense);
  BYTE ModeSense6(DeviceEntry& device, BYTE page, BYTE allocLength, BYTE* buffer,
                  SenseResult* sense);
  BYTE ModeSense10(DeviceEntry& device, BYTE page, WORD allocLength, BYTE* buffer,
                   SenseResult* sense);
  // MODE SENSE of `page`'s changeable values (page control 01b): each bit set in the reply's
  // page is one MODE SELECT may change. The 10-byte form, or the 6-byte one for a drive
  // that answers only that (`tenByte` false).
  BYTE ModeSenseChangeable(DeviceEntry& device, BYTE page, bool tenByte, WORD allocLength,
                           BYTE* buffer, SenseResult* sense);
  // Send a MODE SENSE reply back as the parameter list: the header, the block descriptors
  // and the first page, as long as the list's own header announces, but never more than
  // the `listBufferSize` bytes the list lives in (nor more than the CDB's length field).
  BYTE ModeSelect6(DeviceEntry& device, BYTE* list, DWORD listBufferSize, SenseResult* sense);
  BYTE ModeSelect10(DeviceEntry& device, BYTE* list, DWORD listBufferSize, SenseResult* sense);

  // The parameter list lengths the two MODE SELECT forms send for a list in a buffer of
  // `listBufferSize` bytes.
  static DWORD ModeSelect6Length(const BYTE* list, DWORD listBufferSize);
  static DWORD ModeSelect10Length(const BYTE* list, DWORD listBufferSize);

 private:
  struct Cdb;
  BYTE Send(DeviceEntry& device, const Cdb& cdb, BYTE* buffer, DWORD length, SenseResult* sense);
};
