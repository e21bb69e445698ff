#include "report/AudioCheckRecord.h"

namespace report {

const char* FuaVerdictName(FuaVerdict verdict) {
  switch (verdict) {
    case FuaVerdict::Honoured:
      return "honoured";
    case FuaVerdict::Ignored:
      return "ignored";
    case FuaVerdict::NotTestable:
      break;
  }
  return "not testable";
}

}  // namespace report
