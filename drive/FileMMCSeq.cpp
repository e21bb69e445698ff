#include "drive/FileMMCSeq.h"

FileMMCSeq::FileMMCSeq() = default;
FileMMCSeq::~FileMMCSeq() = default;

BYTE FileMMCSeq::SetSpeed(DeviceEntry& device, WORD readSpeed, WORD writeSpeed,
                          SenseResult* sense) {
  return SetCDSpeed(device, readSpeed, writeSpeed, sense);
}

BYTE FileMMCSeq::ReadToc(DeviceEntry& device, BYTE msf, BYTE track, BYTE format, BYTE* buffer,
                         WORD allocLength, SenseResult* sense) {
  return ReadTOCPMAATIP(device, msf, track, format, buffer, allocLength, sense);
}

WORD FileMMCSeq::SetBlockLength(DeviceEntry& device, WORD wanted, SenseResult* sense) {
  return InitMMCSeq::SetBlockLength(device, wanted, sense);
}

BYTE FileMMCSeq::ReadBlocks(ReadRequest* request) {
  return ReadCDSeq::ReadBlocks(request);
}
