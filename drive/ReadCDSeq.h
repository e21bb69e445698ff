// The sector read loop: a range of blocks in READ commands of a fixed size, with retries,
// block-by-block recovery of commands that keep failing, and the caller's callbacks.
#pragma once

#include "drive/AspiMemAlloc.h"
#include "drive/CommandSeq.h"
#include "drive/ReadRequest.h"
#include "platform/win32.h"

class ReadCDSeq : public CommandSeq, public AspiMemAlloc {
 public:
  ReadCDSeq();
  ~ReadCDSeq();

  // Slot 1: reads the request's range. 1 when the last command (or block) succeeded;
  // otherwise the last failure status, or 4 when stopped by onProgress or when no command
  // could be sent.
  virtual BYTE ReadBlocks(ReadRequest* request);

 private:
  // One READ command of the request's read mode; 4 without sending for an unknown mode.
  BYTE SendRead(const ReadRequest& request, LONG lba, DWORD blocks, BYTE* data);
};
