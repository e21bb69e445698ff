// The device operations the application calls on the drive-access object: set the read
// speed, read the table of contents, set the block length (slot 0) and read a range of
// blocks (slot 1). Each hands its request to the layer below unchanged.
#pragma once

#include "drive/ReadRequest.h"
#include "drive/TOCSeq.h"
#include "platform/win32.h"
#include "transport/DeviceEntry.h"
#include "transport/SenseResult.h"

class FileMMCSeq : public TOCSeq {
 public:
  FileMMCSeq();
  ~FileMMCSeq();

  // SET CD SPEED with both speeds (kB/s, FFFFh = the drive's maximum).
  BYTE SetSpeed(DeviceEntry& device, WORD readSpeed, WORD writeSpeed, SenseResult* sense);
  // READ TOC/PMA/ATIP; the response lands in `buffer`.
  BYTE ReadToc(DeviceEntry& device, BYTE msf, BYTE track, BYTE format, BYTE* buffer,
               WORD allocLength, SenseResult* sense);

  WORD SetBlockLength(DeviceEntry& device, WORD wanted, SenseResult* sense) override;
  BYTE ReadBlocks(ReadRequest* request) override;
};
