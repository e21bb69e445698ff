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

const char* OverreadOutcomeName(OverreadOutcome outcome) {
  switch (outcome) {
    case OverreadOutcome::Allowed:
      return "allowed";
    case OverreadOutcome::Refused:
      return "refused";
    case OverreadOutcome::TimedOut:
      return "timed out";
    case OverreadOutcome::NotTested:
      break;
  }
  return "not tested";
}

}  // namespace report
