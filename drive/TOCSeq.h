// The table-of-contents layer of the chain. It inherits both virtual operations and adds
// none; the TOC itself is read through ReadToc of the device operations layer.
#pragma once

#include "drive/DataObjectMngr.h"
#include "drive/ReadCDSeq.h"

class TOCSeq : public ReadCDSeq, public virtual DataObjectMngr {
 public:
  TOCSeq();
  ~TOCSeq();
};
