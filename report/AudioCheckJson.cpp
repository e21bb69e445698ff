#include "report/JsonHead.h"

#include "report/AudioCheckWriters.h"

namespace report {
namespace {

Json AudioMillis(const std::optional<double>& micros) {
  return micros ? Json(*micros / 1000.0) : Json(nullptr);
}

Json ProbeJson(const OverreadProbe& p) {
  return {{"outcome", OverreadOutcomeName(p.outcome)},
          {"lba", p.lba},
          {"blocks", p.blocks},
          {"sense", p.sense},
          {"seconds", p.seconds}};
}

Json AudioRereadJson(const std::optional<RereadTime>& r) {
  if (!r) return nullptr;
  return {{"ms", r->micros / 1000.0}, {"from_disc", r->fromDisc}};
}

}  // namespace

std::string AudioCheckJson(const DriveRecord& drive, const DiscRecord& disc,
                           const AudioCheckRecord& r, std::chrono::system_clock::time_point when) {
  Json j = JsonHead(drive, disc, when);
  Json a;
  a["range"] = r.refused ? Json(nullptr) : Json({{"start", r.start}, {"blocks", r.blocks}});
  a["cdda_claimed"] = r.cddaClaimed;
  a["refused"] = r.refused ? Json(*r.refused) : Json(nullptr);
  if (!r.refused) {
    const CacheFinding& c = r.cache;
    Json defeats = Json::array();
    for (const CacheDefeat& d : c.defeats)
      defeats.push_back({{"method", d.method},
                         {"works", d.reread ? Json(d.Works()) : Json(nullptr)},
                         {"reread", AudioRereadJson(d.reread)},
                         {"note", d.note}});
    a["cache"] = {{"tested", c.tested},
                  {"caches", c.tested ? Json(c.caches) : Json(nullptr)},
                  {"reread", AudioRereadJson(c.reread)},
                  {"rotation_ms", c.rotationMicros / 1000.0},
                  {"stream_27_blocks_ms", c.streamMicros / 1000.0},
                  {"size_at_least_blocks", c.caches ? Json(c.hitBlocks) : Json(nullptr)},
                  {"size_below_blocks", c.missBlocks ? Json(*c.missBlocks) : Json(nullptr)},
                  {"trials", c.trials},
                  {"defeats", std::move(defeats)},
                  {"note", c.note}};
    const FuaFinding& f = r.fua;
    a["fua"] = {{"verdict", FuaVerdictName(f.verdict)},
                {"read12_ms", AudioMillis(f.plainMicros)},
                {"read12_fua_ms", AudioMillis(f.fuaMicros)},
                {"sense", f.sense},
                {"note", f.note}};
    const C2Finding& p = r.c2;
    a["c2"] = {
        {"claimed_by_page", p.claimedByPage},
        {"claimed_by_feature", p.claimedByFeature ? Json(*p.claimedByFeature) : Json(nullptr)},
        {"bits_accepted", p.bitsAccepted},
        {"bits_sense", p.bitsSense},
        {"block_error_accepted", p.blockErrorAccepted},
        {"block_error_sense", p.blockErrorSense},
        {"flagged_sectors", p.counted ? Json(p.flaggedSectors) : Json(nullptr)},
        {"missed_errors", p.counted ? Json(p.missedErrors) : Json(nullptr)},
        {"false_alarms", p.counted ? Json(p.falseAlarms) : Json(nullptr)},
        {"block_error_disagreements", p.counted ? Json(p.blockErrorDisagreements) : Json(nullptr)}};
    const RepeatabilityFinding& q = r.repeatability;
    a["repeatability"] = {{"reads", q.reads},
                          {"sectors", q.sectors},
                          {"differing", q.differing},
                          {"differing_flagged", q.differingFlagged},
                          {"differing_unflagged", q.differingUnflagged},
                          {"differing_lbas", q.differingLbas},
                          {"cache_defeat", q.cacheDefeat},
                          {"note", q.note}};
    const StreamFinding& s = r.stream;
    Json reads = Json::array();
    for (const StreamRead& x : s.reads)
      reads.push_back({{"start", x.start},
                       {"blocks", x.blocks},
                       {"shift_samples", x.shiftSamples ? Json(*x.shiftSamples) : Json(nullptr)},
                       {"match_share", x.matchShare}});
    a["accurate_stream"] = {{"claimed_by_page", s.claimed},
                            {"tested", s.tested},
                            {"accurate", s.tested ? Json(s.Accurate()) : Json(nullptr)},
                            {"usual_shift_samples", s.usualShift},
                            {"reads_exact", s.exact},
                            {"reads_off", s.off},
                            {"largest_jitter_samples", s.largestJitter},
                            {"window_samples", s.windowSamples},
                            {"reads", std::move(reads)},
                            {"note", s.note}};
    a["overread"] = {{"lead_in", ProbeJson(r.overread.leadIn)},
                     {"lead_out", ProbeJson(r.overread.leadOut)}};
    const OffsetFinding& o = r.offset;
    a["offset_against"] = o.against.empty() && !o.tested && o.note.empty()
                              ? Json(nullptr)
                              : Json({{"against", o.against},
                                      {"tested", o.tested},
                                      {"samples", o.samples ? Json(*o.samples) : Json(nullptr)},
                                      {"start", o.start},
                                      {"blocks", o.blocks},
                                      {"window_samples", o.windowSamples},
                                      {"match_share", o.matchShare},
                                      {"runner_up_share", o.runnerUpShare},
                                      {"relative_only", true},
                                      {"note", o.note}});
  }
  a["notes"] = r.notes;
  a["seconds"] = r.virtualSeconds;
  j["audio_check"] = std::move(a);
  return j.dump(2) + "\n";
}

}  // namespace report
