#include <cstdio>

#include "report/AudioCheckWriters.h"
#include "report/CsvField.h"

namespace report {
namespace {

std::string AudioCsvMs(double micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", micros / 1000.0);
  return text;
}

}  // namespace

std::string AudioCheckCsv(const AudioCheckRecord& r) {
  std::string out = "figure,value\n";
  const auto row = [&out](const std::string& figure, const std::string& value) {
    out += CsvField(figure) + "," + CsvField(value) + "\n";
  };
  const auto yes = [](bool v) { return std::string(v ? "yes" : "no"); };
  if (r.refused) {
    row("refused", *r.refused);
    return out;
  }
  row("start", std::to_string(r.start));
  row("blocks", std::to_string(r.blocks));
  const CacheFinding& c = r.cache;
  if (c.tested) {
    row("cache", yes(c.caches));
    row("cache_reread_ms", AudioCsvMs(c.reread->micros));
    row("rotation_ms", AudioCsvMs(c.rotationMicros));
    row("stream_27_blocks_ms", AudioCsvMs(c.streamMicros));
    if (c.caches) row("cache_at_least_blocks", std::to_string(c.hitBlocks));
    if (c.missBlocks) row("cache_below_blocks", std::to_string(*c.missBlocks));
    for (const CacheDefeat& d : c.defeats) {
      std::string figure = "defeated_by_" + d.method;
      for (char& ch : figure)
        if (ch == ' ') ch = '_';
      row(figure, d.reread ? yes(d.Works()) : "not testable");
    }
  }
  row("fua", FuaVerdictName(r.fua.verdict));
  if (r.fua.plainMicros) row("read12_ms", AudioCsvMs(*r.fua.plainMicros));
  if (r.fua.fuaMicros) row("read12_fua_ms", AudioCsvMs(*r.fua.fuaMicros));
  if (!r.fua.sense.empty()) row("fua_sense", r.fua.sense);
  row("c2_claimed_by_page", yes(r.c2.claimedByPage));
  row("c2_claimed_by_feature", r.c2.claimedByFeature ? yes(*r.c2.claimedByFeature) : "none");
  row("c2_bits_accepted", yes(r.c2.bitsAccepted));
  row("c2_block_error_accepted", yes(r.c2.blockErrorAccepted));
  if (r.c2.counted) {
    row("c2_flagged_sectors", std::to_string(r.c2.flaggedSectors));
    row("c2_missed_errors", std::to_string(r.c2.missedErrors));
    row("c2_false_alarms", std::to_string(r.c2.falseAlarms));
  }
  row("reads", std::to_string(r.repeatability.reads));
  row("sectors", std::to_string(r.repeatability.sectors));
  row("differing", std::to_string(r.repeatability.differing));
  row("differing_flagged", std::to_string(r.repeatability.differingFlagged));
  row("differing_unflagged", std::to_string(r.repeatability.differingUnflagged));
  const StreamFinding& f = r.stream;
  row("accurate_stream_claimed", yes(f.claimed));
  if (f.tested) {
    row("accurate_stream", yes(f.Accurate()));
    row("stream_reads", std::to_string(f.reads.size()));
    row("stream_reads_exact", std::to_string(f.exact));
    row("stream_reads_off", std::to_string(f.off));
    row("stream_jitter_samples", std::to_string(f.largestJitter));
  }
  row("overread_lead_in", OverreadOutcomeName(r.overread.leadIn.outcome));
  row("overread_lead_out", OverreadOutcomeName(r.overread.leadOut.outcome));
  if (r.offset.tested) {
    row("offset_against", r.offset.against);
    row("offset_samples", std::to_string(*r.offset.samples));
    char share[32];
    std::snprintf(share, sizeof share, "%.4f", r.offset.matchShare);
    row("offset_match_share", share);
  }
  return out;
}

}  // namespace report
