#include "drive/MMC.h"

#include <algorithm>
#include <cstring>

#include "scsi/Opcodes.h"

namespace {

constexpr BYTE kDirIn = SRB_DIR_IN;    // 8: drive to host
constexpr BYTE kDirOut = SRB_DIR_OUT;  // 16: host to drive, also for commands without data

struct CdbTemplate {
  BYTE bytes[kCdbSize];
};

constexpr CdbTemplate Template(BYTE opcode, BYTE byte1 = 0) {
  CdbTemplate t{};
  t.bytes[0] = opcode;
  t.bytes[1] = byte1;
  return t;
}

constexpr CdbTemplate kTestUnitReady = Template(scsi::op::kTestUnitReady);
constexpr CdbTemplate kModeSense6 = Template(scsi::op::kModeSense6);
constexpr CdbTemplate kModeSelect6 = Template(scsi::op::kModeSelect6, 0x10);  // PF = 1
constexpr CdbTemplate kModeSense10 = Template(scsi::op::kModeSense10);
constexpr CdbTemplate kModeSelect10 = Template(scsi::op::kModeSelect10, 0x10);  // PF = 1
constexpr CdbTemplate kRead10 = Template(scsi::op::kRead10);
constexpr CdbTemplate kReadCD = Template(scsi::op::kReadCd);
constexpr CdbTemplate kReadCDMSF = Template(scsi::op::kReadCdMsf);
constexpr CdbTemplate kReadTOC = Template(scsi::op::kReadTocPmaAtip);
constexpr CdbTemplate kSeek10 = Template(scsi::op::kSeek10);
constexpr CdbTemplate kSetCDSpeed = Template(scsi::op::kSetCdSpeed);
constexpr CdbTemplate kStartStopUnit = Template(scsi::op::kStartStopUnit);
constexpr CdbTemplate kGetPerformance = Template(scsi::op::kGetPerformance);

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

MMC::MMC() = default;
MMC::~MMC() = default;

BYTE MMC::Send(DeviceEntry& device, const BYTE* cdb, BYTE cdbLength, BYTE* buffer, DWORD length,
               BYTE direction, SenseResult* sense) {
  SenseResult unused;
  PaddedBlock<SRB_ExecSCSICmd, kExecSCSICmdClearLength> block;
  return ExecSCSICmd(device, block.srb, sense != nullptr ? *sense : unused, buffer,
                     static_cast<LONG>(length), direction, cdb, cdbLength);
}

BYTE MMC::TestUnitReady(DeviceEntry& device, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kTestUnitReady.bytes, kCdbSize);
  return Send(device, cdb, 6, nullptr, 0, kDirOut, sense);
}

BYTE MMC::Seek10(DeviceEntry& device, LONG lba, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kSeek10.bytes, kCdbSize);
  Put32(&cdb[2], static_cast<DWORD>(lba));
  return Send(device, cdb, 10, nullptr, 0, kDirOut, sense);
}

BYTE MMC::StartStopUnit(DeviceEntry& device, bool start, bool loadEject, bool immediate,
                        SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kStartStopUnit.bytes, kCdbSize);
  cdb[1] = immediate ? 0x01 : 0x00;
  cdb[4] = static_cast<BYTE>((loadEject ? 0x02 : 0x00) | (start ? 0x01 : 0x00));
  return Send(device, cdb, 6, nullptr, 0, kDirOut, sense);
}

BYTE MMC::GetPerformance(DeviceEntry& device, BYTE type, BYTE dataType, LONG startLba,
                         WORD maxDescriptors, BYTE* buffer, DWORD bufferLength,
                         SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kGetPerformance.bytes, kCdbSize);
  cdb[1] = dataType & 0x1F;
  Put32(&cdb[2], static_cast<DWORD>(startLba));
  Put16(&cdb[8], maxDescriptors);
  cdb[10] = type;
  return Send(device, cdb, 12, buffer, bufferLength, kDirIn, sense);
}

BYTE MMC::SetCDSpeed(DeviceEntry& device, WORD readSpeed, WORD writeSpeed, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kSetCDSpeed.bytes, kCdbSize);
  Put16(&cdb[2], readSpeed);
  Put16(&cdb[4], writeSpeed);
  return Send(device, cdb, 12, nullptr, 0, kDirOut, sense);
}

BYTE MMC::ReadTOCPMAATIP(DeviceEntry& device, BYTE msf, BYTE track, BYTE format, BYTE* buffer,
                         WORD allocLength, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kReadTOC.bytes, kCdbSize);
  cdb[1] = msf & 0x02;
  // Formats from 15 on are given in the older encoding, bits 6-7 of the control byte.
  cdb[2] = format < 15 ? (format & 0x0F) : 0;
  cdb[6] = track;
  Put16(&cdb[7], allocLength);
  cdb[9] = format >= 15 ? (format & 0xC0) : 0;
  return Send(device, cdb, 10, buffer, allocLength, kDirIn, sense);
}

BYTE MMC::Read10(DeviceEntry& device, LONG lba, WORD blocks, BYTE* buffer, DWORD bufferLength,
                 SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kRead10.bytes, kCdbSize);
  Put32(&cdb[2], static_cast<DWORD>(lba));
  Put16(&cdb[7], blocks);
  return Send(device, cdb, 10, buffer, bufferLength, kDirIn, sense);
}

BYTE MMC::ReadCD(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
                 BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kReadCD.bytes, kCdbSize);
  cdb[1] = sectorType & 0x1C;
  Put32(&cdb[2], static_cast<DWORD>(lba));
  Put24(&cdb[6], blocks);
  cdb[9] = flags & 0xF8;
  cdb[10] = subChannel & 0x07;
  if (buffer != nullptr && bufferLength > 0) buffer[0] = 0;
  return Send(device, cdb, 12, buffer, bufferLength, kDirIn, sense);
}

BYTE MMC::ReadCDMSF(DeviceEntry& device, BYTE sectorType, LONG lba, DWORD blocks, BYTE flags,
                    BYTE subChannel, BYTE* buffer, DWORD bufferLength, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kReadCDMSF.bytes, kCdbSize);
  cdb[1] = sectorType & 0x1C;
  PutMSF(&cdb[3], LBAtoMSF(lba));
  PutMSF(&cdb[6], LBAtoMSF(static_cast<LONG>(static_cast<DWORD>(lba) + blocks)));
  cdb[9] = flags & 0xF8;
  cdb[10] = subChannel & 0x07;
  if (buffer != nullptr && bufferLength > 0) buffer[0] = 0;
  return Send(device, cdb, 12, buffer, bufferLength, kDirIn, sense);
}

BYTE MMC::ModeSense6(DeviceEntry& device, BYTE page, BYTE allocLength, BYTE* buffer,
                     SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kModeSense6.bytes, kCdbSize);
  cdb[2] = page & scsi::page::kCodeMask;  // current values
  cdb[4] = allocLength;
  return Send(device, cdb, 6, buffer, allocLength, kDirIn, sense);
}

BYTE MMC::ModeSense10(DeviceEntry& device, BYTE page, WORD allocLength, BYTE* buffer,
                      SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kModeSense10.bytes, kCdbSize);
  cdb[2] = page & scsi::page::kCodeMask;  // current values
  Put16(&cdb[7], allocLength);
  return Send(device, cdb, 10, buffer, allocLength, kDirIn, sense);
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
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kModeSelect6.bytes, kCdbSize);
  const DWORD length = ModeSelect6Length(list, listBufferSize);
  // Mode data length and medium type are reserved in a MODE SELECT list.
  for (DWORD i = 0; i < 2 && i < length; ++i) list[i] = 0;
  cdb[4] = static_cast<BYTE>(length);
  return Send(device, cdb, 6, list, length, kDirOut, sense);
}

BYTE MMC::ModeSelect10(DeviceEntry& device, BYTE* list, DWORD listBufferSize, SenseResult* sense) {
  BYTE cdb[kCdbSize];
  std::memcpy(cdb, kModeSelect10.bytes, kCdbSize);
  const DWORD length = ModeSelect10Length(list, listBufferSize);
  for (DWORD i = 0; i < 2 && i < length; ++i) list[i] = 0;  // mode data length
  Put16(&cdb[7], length);
  return Send(device, cdb, 10, list, length, kDirOut, sense);
}
