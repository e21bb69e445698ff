// What a saved JSON record is: its kind and the number of its format. A reader takes
// the formats up to its own and refuses a newer one, whose keys it may misread. The format
// number changes when a key changes meaning or goes away, never with the program's version.
#pragma once

#include "report/JsonHead.h"

namespace report {

inline constexpr int kRecordFormat = 2;

inline constexpr char kKindSpeedTest[] = "speed_test";
inline constexpr char kKindScan[] = "scan";
inline constexpr char kKindSurface[] = "surface";  // a scan that read the surface

// Adds `kind` and `format` to a record.
inline void AddRecordKind(Json& record, const char* kind) {
  record["kind"] = kind;
  record["format"] = kRecordFormat;
}

}  // namespace report
