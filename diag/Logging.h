// The diagnostics base shared by the classes of the drive-access chain. It has no
// operations and no state; text the user sees goes through VCLDisplay.
#pragma once

class Logging {
 public:
  Logging() = default;
  ~Logging() = default;
};
