#include "drive/DriveAsFound.h"

WORD DriveAsFound::SetBlockLength(WORD wanted, SenseResult* sense) {
  const WORD before = drive_.SetBlockLength(device_, wanted, sense);
  if (!found_) found_ = before;
  asked_ = wanted;
  return before;
}

void DriveAsFound::Restore() {
  if (!found_ || asked_ == *found_) return;
  asked_ = *found_;
  if (drive_.StoppedResponding(device_)) return;
  SenseResult sense{};
  drive_.SetBlockLength(device_, *found_, &sense);
}
