// Memory services of the drive-access chain. The system uses none of them: callers own
// every buffer and the read loop allocates nothing.
#pragma once

#include "diag/Logging.h"

class AspiMemAlloc : public virtual Logging {
 public:
  AspiMemAlloc();
  ~AspiMemAlloc();
};
