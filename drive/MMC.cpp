#include "drive/MMC.h"

#include <algorithm>

#include "scsi/Commands.h"
#include "scsi/Opcodes.h"
#include "scsi/ReadCdFlags.h"

namespace {

void Put16(BYTE* at, DWORD v) {
  at[0] = static_cast<BYTE>(v >> 8);
  at[1] = static_cast<BYTE>(v);
}

void Put24(BYTE* at, DWORD v) {
  at[0] = static_cast<BYTE>(v >> 16);
  at[1] = static_cast<BYTE>(v >> 8);
  at[2] = static_cast<BYTE>(v);
}

void Put32(BYTE* at, DWORD v) {
  at[0] = static_cast<BYTE>(v >> 24);
  at[1] = static_cast<BYTE>(v >> 16);
  at[2] = static_cast<BYTE>(v >> 8);
  at[3] = static_cast<BYTE>(v);
}

void PutMSF(BYTE* at, MSF msf) {
  at[0] = msf.M;
  at[1] = msf.S;
  at[2] = msf.F;
}

// A byte of the list, or 0 when it lies outside the buffer.
DWORD ListByte(const BYTE* list, DWORD size, DWORD index) {
  return index < size ? list[index] : 0;
}

}  // namespace

// A command block: the command's operation code, every other byte zero. Its length and
// the direction of its data come from the command's row (scsi/Commands.h).
struct MMC::Cdb {
  explicit Cdb(const scsi::Command& c) : command(c) { bytes[0] = c.opcode; }
  const scsi::Command& command;
  BYTE bytes[kCdbSize] = {};
};

MMC::MMC() = default;
MMC::~MMC() = default;

BYTE MMC::Send(DeviceEntry& device, const Cdb& cdb, BYTE* buffer, DWORD length,
               SenseResult* sense) {
  SenseResult unused;
  PaddedBlock<SRB_ExecSCSICmd, kExecSCSICmdClearLength> block;
  // Commands without data go out marked host to drive, with no data.
  const BYTE direction =
      cdb.command.direction == scsi::DataDirection::In ? SRB_DIR_IN : SRB_DIR_OUT;
  return ExecSCSICmd(device, block.srb, sense != nullptr ? *sense : unused, buffer,
                     static_cast<LONG>(length), direction, cdb.bytes, cdb.command.cdbLength);
}

BYTE MMC::TestUnitReady(DeviceEntry& device, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kTestUnitReady);
  return Send(device, cdb, nullptr, 0, sense);
}

BYTE MMC::Seek10(DeviceEntry& device, LONG lba, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kSeek10);
  Put32(&cdb.bytes[2], static_cast<DWORD>(lba));
  return Send(device, cdb, nullptr, 0, sense);
}

BYTE MMC::ReadCapacity(DeviceEntry& device, BYTE (&reply)[kReadCapacityReplySize],
                       SenseResult* sense) {
  Cdb cdb(scsi::cmd::kReadCapacity);
  return Send(device, cdb, reply, kReadCapacityReplySize, sense);
}

BYTE MMC::GetConfiguration(DeviceEntry& device, BYTE requestType, WORD startingFeature,
                           BYTE* buffer, WORD allocLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kGetConfiguration);
  cdb.bytes[1] = requestType & 0x03;
  Put16(&cdb.bytes[2], startingFeature);
  Put16(&cdb.bytes[7], allocLength);
  return Send(device, cdb, buffer, allocLength, sense);
}

BYTE MMC::ReadDiscStructure(DeviceEntry& device, BYTE mediaType, DWORD address, BYTE layer,
                            BYTE format, BYTE* buffer, WORD allocLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kReadDiscStructure);
  cdb.bytes[1] = mediaType & 0x0F;
  Put32(&cdb.bytes[2], address);
  cdb.bytes[6] = layer;
  cdb.bytes[7] = format;
  Put16(&cdb.bytes[8], allocLength);
  return Send(device, cdb, buffer, allocLength, sense);
}

BYTE MMC::StartStopUnit(DeviceEntry& device, bool start, bool loadEject, bool immediate,
                        SenseResult* sense) {
  Cdb cdb(scsi::cmd::kStartStopUnit);
  cdb.bytes[1] = immediate ? 0x01 : 0x00;
  cdb.bytes[4] = static_cast<BYTE>((loadEject ? 0x02 : 0x00) | (start ? 0x01 : 0x00));
  return Send(device, cdb, nullptr, 0, sense);
}

BYTE MMC::GetPerformance(DeviceEntry& device, BYTE type, BYTE dataType, LONG startLba,
                         WORD maxDescriptors, BYTE* buffer, DWORD bufferLength,
                         SenseResult* sense) {
  Cdb cdb(scsi::cmd::kGetPerformance);
  cdb.bytes[1] = dataType & 0x1F;
  Put32(&cdb.bytes[2], static_cast<DWORD>(startLba));
  Put16(&cdb.bytes[8], maxDescriptors);
  cdb.bytes[10] = type;
  return Send(device, cdb, buffer, bufferLength, sense);
}

BYTE MMC::SetStreaming(DeviceEntry& device, scsi::PerformanceDescriptor& descriptor,
                       SenseResult* sense) {
  Cdb cdb(scsi::cmd::kSetStreaming);
  cdb.bytes[8] = scsi::kPerformanceDescriptorType;
  Put16(&cdb.bytes[9], sizeof descriptor);
  return Send(device, cdb, reinterpret_cast<BYTE*>(&descriptor), sizeof descriptor, sense);
}

BYTE MMC::SetCDSpeed(DeviceEntry& device, WORD readSpeed, WORD writeSpeed, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kSetCdSpeed);
  Put16(&cdb.bytes[2], readSpeed);
  Put16(&cdb.bytes[4], writeSpeed);
  return Send(device, cdb, nullptr, 0, sense);
}

BYTE MMC::ReadTOCPMAATIP(DeviceEntry& device, BYTE msf, BYTE track, BYTE format, BYTE* buffer,
                         WORD allocLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kReadTocPmaAtip);
  cdb.bytes[1] = msf & 0x02;
  // Formats from 15 on are given in the older encoding, bits 6-7 of the control byte.
  cdb.bytes[2] = format < 15 ? (format & 0x0F) : 0;
  cdb.bytes[6] = track;
  Put16(&cdb.bytes[7], allocLength);
  cdb.bytes[9] = format >= 15 ? (format & 0xC0) : 0;
  return Send(device, cdb, buffer, allocLength, sense);
}

BYTE MMC::Read10(DeviceEntry& device, LONG lba, WORD blocks, BYTE* buffer, DWORD bufferLength,
                 SenseResult* sense) {
  Cdb cdb(scsi::cmd::kRead10);
  Put32(&cdb.bytes[2], static_cast<DWORD>(lba));
  Put16(&cdb.bytes[7], blocks);
  return Send(device, cdb, buffer, bufferLength, sense);
}

BYTE MMC::Read12(DeviceEntry& device, LONG lba, DWORD blocks, bool forceUnitAccess, BYTE* buffer,
                 DWORD bufferLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kRead12);
  cdb.bytes[1] = forceUnitAccess ? 0x08 : 0x00;
  Put32(&cdb.bytes[2], static_cast<DWORD>(lba));
  Put32(&cdb.bytes[6], blocks);
  return Send(device, cdb, buffer, bufferLength, sense);
}

BYTE MMC::ReadCD(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
                 BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kReadCd);
  cdb.bytes[1] = sectorType & 0x1C;
  Put32(&cdb.bytes[2], static_cast<DWORD>(lba));
  Put24(&cdb.bytes[6], blocks);
  cdb.bytes[9] = flags & scsi::kReadCdFlagsMask;
  cdb.bytes[10] = subChannel & 0x07;
  if (buffer != nullptr && bufferLength > 0) buffer[0] = 0;
  return Send(device, cdb, buffer, bufferLength, sense);
}

BYTE MMC::ReadCDMSF(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
                    BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kReadCdMsf);
  cdb.bytes[1] = sectorType & 0x1C;
  PutMSF(&cdb.bytes[3], LBAtoMSF(lba));
  PutMSF(&cdb.bytes[6], LBAtoMSF(static_cast<LONG>(static_cast<DWORD>(lba) + blocks)));
  cdb.bytes[9] = flags & scsi::kReadCdFlagsMask;
  cdb.bytes[10] = subChannel & 0x07;
  if (buffer != nullptr && bufferLength > 0) buffer[0] = 0;
  return Send(device, cdb, buffer, bufferLength, sense);
}

BYTE MMC::ReadCDC2(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks,
                   scsi::C2Field field, BYTE* buffer, DWORD bufferLength, SenseResult* sense) {
  const std::uint64_t needed = std::uint64_t{blocks} * scsi::C2SectorBytes(field);
  if (blocks > 0xFFFFFF || (blocks > 0 && buffer == nullptr) || needed > bufferLength)
    return SS_INVALID_SRB;
  Cdb cdb(scsi::cmd::kReadCd);
  const auto bytes = scsi::ReadCdC2Cdb(static_cast<std::int32_t>(lba), blocks, sectorType, field);
  std::copy(bytes.begin(), bytes.end(), cdb.bytes);
  return Send(device, cdb, buffer, static_cast<DWORD>(needed), sense);
}

BYTE MMC::ModeSense6(DeviceEntry& device, BYTE page, BYTE allocLength, BYTE* buffer,
                     SenseResult* sense) {
  Cdb cdb(scsi::cmd::kModeSense6);
  cdb.bytes[2] = page & scsi::page::kCodeMask;  // current values
  cdb.bytes[4] = allocLength;
  return Send(device, cdb, buffer, allocLength, sense);
}

BYTE MMC::ModeSense10(DeviceEntry& device, BYTE page, WORD allocLength, BYTE* buffer,
                      SenseResult* sense) {
  Cdb cdb(scsi::cmd::kModeSense10);
  cdb.bytes[2] = page & scsi::page::kCodeMask;  // current values
  Put16(&cdb.bytes[7], allocLength);
  return Send(device, cdb, buffer, allocLength, sense);
}

BYTE MMC::ModeSenseChangeable(DeviceEntry& device, BYTE page, bool tenByte, WORD allocLength,
                              BYTE* buffer, SenseResult* sense) {
  constexpr BYTE kChangeableValues = 0x40;  // page control 01b in bits 6-7
  Cdb cdb(tenByte ? scsi::cmd::kModeSense10 : scsi::cmd::kModeSense6);
  cdb.bytes[2] = kChangeableValues | (page & scsi::page::kCodeMask);
  if (tenByte) {
    Put16(&cdb.bytes[7], allocLength);
  } else {
    allocLength = std::min<WORD>(allocLength, 0xFF);
    cdb.bytes[4] = static_cast<BYTE>(allocLength);
  }
  return Send(device, cdb, buffer, allocLength, sense);
}

DWORD MMC::ModeSelect6Length(const BYTE* list, DWORD listBufferSize) {
  if (list == nullptr) return 0;
  const DWORD bdl = ListByte(list, listBufferSize, 3);
  const DWORD pageLength = ListByte(list, listBufferSize, 5 + bdl);
  const DWORD announced = bdl + pageLength + 6;
  // The CDB carries the length in one byte: never announce less than is sent.
  return std::min({announced, listBufferSize, DWORD{0xFF}});
}

DWORD MMC::ModeSelect10Length(const BYTE* list, DWORD listBufferSize) {
  if (list == nullptr) return 0;
  const DWORD bdl = (ListByte(list, listBufferSize, 6) << 8) | ListByte(list, listBufferSize, 7);
  const DWORD pageLength = ListByte(list, listBufferSize, 9 + bdl);
  const DWORD announced = bdl + pageLength + 10;
  return std::min({announced, listBufferSize, DWORD{0xFFFF}});
}

BYTE MMC::ModeSelect6(DeviceEntry& device, BYTE* list, DWORD listBufferSize, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kModeSelect6);
  cdb.bytes[1] = 0x10;  // PF: the pages follow the MMC page format
  const DWORD length = ModeSelect6Length(list, listBufferSize);
  // Mode data length and medium type are reserved in a MODE SELECT list.
  for (DWORD i = 0; i < 2 && i < length; ++i) list[i] = 0;
  cdb.bytes[4] = static_cast<BYTE>(length);
  return Send(device, cdb, list, length, sense);
}

BYTE MMC::ModeSelect10(DeviceEntry& device, BYTE* list, DWORD listBufferSize, SenseResult* sense) {
  Cdb cdb(scsi::cmd::kModeSelect10);
  cdb.bytes[1] = 0x10;  // PF
  const DWORD length = ModeSelect10Length(list, listBufferSize);
  for (DWORD i = 0; i < 2 && i < length; ++i) list[i] = 0;  // mode data length
  Put16(&cdb.bytes[7], length);
  return Send(device, cdb, list, length, sense);
}
