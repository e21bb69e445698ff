// The result record of a disc scan: the transfer-rate curve, the reading strategy found in
// it, access and spin-up times, and what the drive says of its speeds. Filled by the scan,
// rendered by the result writers (text, JSON, CSV) and the plot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/SurfaceRecord.h"
#include "scsi/Profiles.h"

namespace report {

// One zone of the curve: whole commands from `lba` on, timed together.
struct ScanSample {
  std::int64_t lba = 0;     // first block of the zone
  std::int32_t blocks = 0;  // blocks read in the zone
  std::int64_t micros = 0;  // the zone's time, microseconds
  double speedX = 0;        // blocks / seconds in the medium's 1x (a CD's: 75 sectors a second)
  double kibPerS = 0;       // KB (1024 bytes) a second of the mode's sector size
  double rpm = 0;           // rotation speed the zone's speed means at its radius, 0 if unknown
};

enum class Strategy { Unknown, CLV, CAV, PCAV, ZCLV };

struct CurveResult {
  std::string mode;  // "data" or "raw"
  std::int64_t start = 0;
  std::int64_t blocks = 0;
  std::int32_t blocksPerCommand = 27;
  std::vector<ScanSample> samples;
  Strategy strategy = Strategy::Unknown;
  double startSpeedX = 0;
  double endSpeedX = 0;
  std::optional<double> rpm;        // the rotation speed of the CAV part(s)
  std::vector<std::int64_t> zones;  // P-CAV change-over, or the Z-CLV zone starts (LBA)
  // The sample holding the layer change (its pause), kept out of the strategy's fit.
  std::optional<std::int64_t> layerChangeLba;
  // An opposite track path's layer 1 in the range: read from the outside in from this LBA.
  std::optional<std::int64_t> returningFrom;
  // A layer break the drive did not report, found from the curve (the speed's turn), and
  // whether the layer change's pause showed in the sample holding it.
  std::optional<std::int64_t> layerBreakFromCurve;
  bool layerPauseSeen = false;
  // A DVD's or BD's curve: the average speed over the range, the drive's maximum read speed
  // (page 2Ah, in the medium's x) and, for a whole-disc range, whether the average stayed
  // under half of it — the drive held the disc down (as firmware does with video discs).
  std::optional<double> averageSpeedX;
  std::optional<double> driveMaxX;
  std::optional<bool> heldDown;
  std::vector<std::string> refused;  // what the drive refused while scanning, by name
  bool aborted = false;
  std::string abortReason;
};

// One timed access: a 1-block read at `to` with the head last at `from`.
struct AccessTrial {
  std::string kind;  // "random", "third" or "full"
  std::int64_t from = 0;
  std::int64_t to = 0;
  std::int64_t micros = 0;
};

struct AccessResult {
  double randomMs = 0;
  double thirdMs = 0;
  double fullMs = 0;
  int trials = 0;                  // trials of each kind
  std::vector<AccessTrial> timed;  // every trial, in the order run
  bool aborted = false;            // stopped early: only the kinds finished have their figure
};

struct DriveSpeedInfo {  // the capabilities page 2Ah, summarised
  int maxReadKBps = 0;
  int currentReadKBps = 0;
  bool cddaSupported = false;
  bool cddaAccurate = false;
  bool c2Pointers = false;
  int bufferKB = 0;
};

struct SpeedRequest {
  double requestedX = 0;
  std::optional<double> takenX;  // what page 2Ah says the drive took
  std::optional<double> measuredX;
  std::int64_t measuredStart = 0;  // the range the measured speed was read over
  std::int64_t measuredBlocks = 0;
  std::string setBy;  // the command that asked for it: "SET CD SPEED" or "SET STREAMING"
};

struct ScanRecord {
  // The medium whose x every speed is counted in (its 1x: report/MediumUnits.h).
  scsi::MediumFamily unit = scsi::MediumFamily::CD;
  std::optional<DriveSpeedInfo> info;
  bool speedsAsked = false;
  std::optional<std::vector<int>> speedsKBps;  // GET PERFORMANCE; empty optional: not reported
  std::optional<CurveResult> curve;
  std::optional<AccessResult> access;
  std::optional<double> spinUpMs;
  bool spinUpAborted = false;  // the disc was stopped but Abort came before the timed read
  std::optional<SpeedRequest> speed;
  std::optional<SurfaceResult> surface;
  // What the drive refused or failed, by command name and sense ("GET PERFORMANCE:
  // 05/20/00"), in the order it happened; `failed` says whether any of it was asked for.
  std::vector<std::string> refused;
  bool failed = false;
};

inline const char* StrategyName(Strategy s) {
  switch (s) {
    case Strategy::CLV:
      return "CLV";
    case Strategy::CAV:
      return "CAV";
    case Strategy::PCAV:
      return "P-CAV";
    case Strategy::ZCLV:
      return "Z-CLV";
    case Strategy::Unknown:
      break;
  }
  return "unknown";
}

}  // namespace report
