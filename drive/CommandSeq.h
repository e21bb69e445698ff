// The layer between drive preparation and the read sequences. It adds nothing of its own;
// the read sequences derive from it.
#pragma once

#include "drive/InitMMCSeq.h"

class CommandSeq : public InitMMCSeq {
 public:
  CommandSeq();
  ~CommandSeq();
};
