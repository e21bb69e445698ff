// What the audio extraction check found on one drive and disc: whether the drive caches
// audio and how much, which way of defeating the cache works, whether it honours force unit
// access, whether its C2 error pointers tell the truth, and how repeatable its reads are.
// Every finding carries its evidence: the times and counts it was judged from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace report {

// A re-read of the range and what it was measured against.
struct RereadTime {
  double micros = 0.0;
  bool fromDisc = false;  // it cost at least a rotation: the samples came off the disc
};

// A way of making the drive read the range from the disc again.
struct CacheDefeat {
  std::string method;                // "read far away", "read just before the range", "FUA"
  std::optional<RereadTime> reread;  // none: not testable (why in `note`)
  std::string note;
  bool Works() const { return reread && reread->fromDisc; }
};

struct CacheFinding {
  bool tested = false;
  std::string note;                  // why not tested, or a remark
  double streamMicros = 0.0;         // one command's read streamed from the disc
  double rotationMicros = 0.0;       // one rotation at the range's radius, at that speed
  std::optional<RereadTime> reread;  // the range re-read at once
  bool caches = false;
  // The largest distance (blocks read from the range's start) after which the start was
  // still re-read from the cache, and the smallest after which it was not: the cache holds
  // at least the first and fewer than the second. No miss up to the largest distance tried:
  // `missBlocks` stays empty.
  std::int64_t hitBlocks = 0;
  std::optional<std::int64_t> missBlocks;
  int trials = 0;  // re-reads timed to find the size
  std::vector<CacheDefeat> defeats;
};

enum class FuaVerdict { Honoured, Ignored, NotTestable };

struct FuaFinding {
  FuaVerdict verdict = FuaVerdict::NotTestable;
  std::optional<double> plainMicros;  // READ(12) of the range
  std::optional<double> fuaMicros;    // the same again with FUA
  std::string sense;                  // "05/64/00 ILLEGAL MODE FOR THIS TRACK" when refused
  std::string note;                   // why not testable
};

struct C2Finding {
  bool claimedByPage = false;            // page 2Ah byte 5 bit 4
  std::optional<bool> claimedByFeature;  // feature 001Eh's C2 flag; none: no such feature
  bool bitsAccepted = false;             // READ CD with C2 field 01b
  std::string bitsSense;                 // its sense when refused
  bool blockErrorAccepted = false;       // READ CD with C2 field 10b
  std::string blockErrorSense;
  // Over the repeatability reads (only when C2 bits were read):
  bool counted = false;
  std::int64_t flaggedSectors = 0;  // flagged in any read
  std::int64_t missedErrors = 0;    // read differently, never flagged
  std::int64_t falseAlarms = 0;     // flagged, though every read gave the same samples
  // With field 10b, sectors whose block error byte disagreed with their C2 bits.
  std::int64_t blockErrorDisagreements = 0;
};

struct RepeatabilityFinding {
  int reads = 0;  // times the range was read
  std::int64_t sectors = 0;
  std::int64_t differing = 0;               // sectors whose samples differed between reads
  std::int64_t differingFlagged = 0;        // of them, flagged by C2 in some read
  std::int64_t differingUnflagged = 0;      // of them, never flagged (or C2 not read)
  std::vector<std::int64_t> differingLbas;  // the first few
  std::string cacheDefeat;                  // how the cache was emptied between reads
  std::string note;
};

// One read of the accurate-stream test: where it started, its size, and how far its samples
// lay from the reference read of the same stretch (none: no shift matched).
struct StreamRead {
  std::int64_t start = 0;
  std::int64_t blocks = 0;
  std::optional<std::int64_t> shiftSamples;
  double matchShare = 0.0;  // of its samples equal to the reference's at that shift
};

struct StreamFinding {
  bool tested = false;
  bool claimed = false;            // page 2Ah byte 5 bit 1 (CD-DA stream is accurate)
  std::int64_t windowSamples = 0;  // shifts searched: -window..+window
  std::int64_t usualShift = 0;     // the shift most reads had
  int exact = 0;                   // reads at the usual shift
  int off = 0;                     // reads at another shift, or none matched
  std::int64_t largestJitter = 0;  // the largest distance from the usual shift, in samples
  std::vector<StreamRead> reads;
  std::string note;
  bool Accurate() const { return tested && off == 0; }
};

enum class OverreadOutcome { Allowed, Refused, TimedOut, NotTested };

struct OverreadProbe {
  std::int64_t lba = 0;
  std::int64_t blocks = 0;
  OverreadOutcome outcome = OverreadOutcome::NotTested;
  std::string sense;     // when refused
  double seconds = 0.0;  // the command's time
};

struct OverreadFinding {
  OverreadProbe leadIn;   // before the first sector
  OverreadProbe leadOut;  // past the last
};

// The sample offset of another drive against this one, from the same stretch read on both.
struct OffsetFinding {
  bool tested = false;
  std::string against;  // the other drive's row
  std::int64_t start = 0;
  std::int64_t blocks = 0;
  std::int64_t windowSamples = 0;
  std::optional<std::int64_t> samples;  // the other drive's samples lie this much later
  double matchShare = 0.0;              // of the compared samples equal at that shift
  double runnerUpShare = 0.0;           // the best share at any other shift
  std::string note;
};

struct AudioCheckRecord {
  std::int64_t start = 0;
  std::int64_t blocks = 0;
  std::optional<std::int64_t> leadOut;  // from the table of contents, when it was read
  bool cddaClaimed = false;             // page 2Ah byte 5 bit 0
  std::optional<std::string> refused;   // the check could not run: why (a data disc ...)
  CacheFinding cache;
  FuaFinding fua;
  C2Finding c2;
  RepeatabilityFinding repeatability;
  StreamFinding stream;
  OverreadFinding overread;
  OffsetFinding offset;
  std::vector<std::string> notes;  // commands refused on the way, in order
  double virtualSeconds = 0.0;     // the whole check's time on the host's clock
};

const char* FuaVerdictName(FuaVerdict verdict);
const char* OverreadOutcomeName(OverreadOutcome outcome);  // "allowed", "refused", ...  //
                                                           // "honoured", "ignored", "not testable"

}  // namespace report
