#include <cstdio>

#include "report/AudioCheckWriters.h"

namespace report {
namespace {

std::string AudioMs(double micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", micros / 1000.0);
  return text;
}

const char* AudioYesNo(bool v) {
  return v ? "yes" : "no";
}

std::string AudioReread(const RereadTime& r) {
  return "re-read " + AudioMs(r.micros) + (r.fromDisc ? ", from the disc" : ", from the cache");
}

void CacheText(std::string& out, const CacheFinding& c) {
  out += "Cache: ";
  if (!c.tested) {
    out += "not measured (" + c.note + ")\n";
    return;
  }
  out += c.caches ? "yes" : "no";
  out += " (" + AudioReread(*c.reread) + "; one rotation here takes " + AudioMs(c.rotationMicros) +
         ", 27 blocks stream off the disc in " + AudioMs(c.streamMicros) + ")\n";
  if (c.caches) {
    out += "  Size: at least " + std::to_string(c.hitBlocks) + " blocks";
    out += c.missBlocks ? ", fewer than " + std::to_string(*c.missBlocks)
                        : " (the largest distance tried)";
    out += " (" + std::to_string(c.hitBlocks * 2352 / 1024) + " KB of audio; " +
           std::to_string(c.trials) + " re-reads timed)\n";
  }
  if (!c.note.empty() && c.tested) out += "  " + c.note + "\n";
  for (const CacheDefeat& d : c.defeats) {
    out += "  Defeated by " + d.method + ": ";
    out += d.reread ? std::string(d.Works() ? "yes" : "no") + " (" + AudioReread(*d.reread) + ")"
                    : "not testable (" + d.note + ")";
    out += "\n";
  }
}

std::string Share(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f %%", share * 100.0);
  return text;
}

void StreamText(std::string& out, const StreamFinding& f) {
  out += std::string("Accurate stream: claimed by page 2Ah: ") + AudioYesNo(f.claimed) + "; ";
  if (!f.tested) {
    out += "not measured (" + f.note + ")\n";
    return;
  }
  const std::string reads = std::to_string(f.reads.size());
  if (f.off == 0)
    out += "measured: exact (" + reads + " of " + reads + " reads lined up";
  else
    out += "measured: jitter of up to " + std::to_string(f.largestJitter) + " samples (" +
           std::to_string(f.off) + " of " + reads + " reads off, " + std::to_string(f.exact) +
           " exact";
  out += "; starting points and sizes 1 to 23 blocks, compared with a reference read within " +
         std::to_string(f.windowSamples) + " samples either way)\n";
  if (f.off == 0) return;
  out += "  Off:";
  for (const StreamRead& r : f.reads) {
    if (r.shiftSamples == f.usualShift) continue;
    out += " " + std::to_string(r.start) + "+" + std::to_string(r.blocks) + " by " +
           (r.shiftSamples ? std::to_string(*r.shiftSamples - f.usualShift) : "no match");
  }
  out += "\n";
}

std::string ProbeText(const OverreadProbe& p) {
  std::string out = OverreadOutcomeName(p.outcome);
  if (p.outcome == OverreadOutcome::NotTested) return out;
  char took[48];
  std::snprintf(took, sizeof took, "%.1f s", p.seconds);
  out += " (READ CD of " + std::to_string(p.blocks) + " blocks at " + std::to_string(p.lba);
  if (p.outcome == OverreadOutcome::Refused) out += ": " + p.sense;
  if (p.outcome == OverreadOutcome::TimedOut)
    out += ": no answer, given up after " + std::string(took);
  return out + ")";
}

void OffsetText(std::string& out, const OffsetFinding& f) {
  if (f.against.empty() && !f.tested && f.note.empty()) return;
  out +=
      "Offset against " + (f.against.empty() ? std::string("the other drive") : f.against) + ": ";
  if (!f.tested) {
    out += "not measured (" + f.note + ")\n";
  } else {
    const std::int64_t s = *f.samples;
    out += (s > 0 ? "+" : "") + std::to_string(s) + " samples (its samples lie " +
           (s == 0 ? std::string("where this drive's do")
                   : std::to_string(s > 0 ? s : -s) +
                         (s > 0 ? " samples later" : " samples earlier") + " than this drive's") +
           "; " + Share(f.matchShare) + " of " + std::to_string(f.blocks * 588) +
           " samples equal at that shift, at most " + Share(f.runnerUpShare) +
           " at any other within " + std::to_string(f.windowSamples) + " either way)\n";
  }
  out +=
      "  A relative offset only: an absolute read offset needs a reference database, which "
      "Velmark does not claim.\n";
}

}  // namespace

std::string AudioCheckText(const AudioCheckRecord& r) {
  std::string out = "Audio extraction check\n";
  if (r.refused) return out + "Not run: " + *r.refused + "\n";
  out += "Range: blocks " + std::to_string(r.start) + " to " +
         std::to_string(r.start + r.blocks - 1) + " (" + std::to_string(r.blocks) + " blocks)\n";
  CacheText(out, r.cache);

  const FuaFinding& f = r.fua;
  out += std::string("Force unit access: ") + FuaVerdictName(f.verdict);
  std::string evidence;
  if (f.plainMicros && f.fuaMicros)
    evidence = "READ(12) of 27 blocks at 2,352 bytes " + AudioMs(*f.plainMicros) +
               ", again with FUA " + AudioMs(*f.fuaMicros) + "; one rotation " +
               AudioMs(r.cache.rotationMicros);
  if (!f.note.empty())
    evidence += (evidence.empty() ? "" : "; ") + f.note + (f.sense.empty() ? "" : ": " + f.sense);
  out += (evidence.empty() ? "" : " (" + evidence + ")") + "\n";

  const C2Finding& c = r.c2;
  out += std::string("C2 error pointers: claimed by page 2Ah: ") + AudioYesNo(c.claimedByPage) +
         ", by feature 001Eh: " +
         (c.claimedByFeature ? AudioYesNo(*c.claimedByFeature) : "no such feature") + "\n";
  out += std::string("  READ CD with C2 bits (01b): ") +
         (c.bitsAccepted ? "accepted" : "refused " + c.bitsSense) +
         "; with the block error byte (10b): " +
         (c.blockErrorAccepted ? "accepted" : "refused " + c.blockErrorSense) + "\n";
  if (c.counted) {
    out += "  Over " + std::to_string(r.repeatability.reads) +
           " reads: " + std::to_string(c.flaggedSectors) + " sectors flagged, " +
           std::to_string(c.missedErrors) + " missed errors (read differently, never flagged), " +
           std::to_string(c.falseAlarms) + " false alarms (flagged, always read the same)";
    if (c.blockErrorDisagreements)
      out += ", " + std::to_string(c.blockErrorDisagreements) +
             " block error bytes disagreeing with their bits";
    out += "\n";
  }

  const RepeatabilityFinding& p = r.repeatability;
  out += "Repeatability: ";
  if (p.reads < 2) {
    out += "not measured (" + p.note + ")\n";
  } else {
    out += std::to_string(p.differing) + " of " + std::to_string(p.sectors) +
           " sectors differed between " + std::to_string(p.reads) + " reads (" +
           std::to_string(p.differingFlagged) + " flagged by C2, " +
           std::to_string(p.differingUnflagged) + " not); " + p.cacheDefeat + "\n";
    if (!p.differingLbas.empty()) {
      out += "  Differing:";
      for (std::int64_t lba : p.differingLbas) out += " " + std::to_string(lba);
      out += p.differing > static_cast<std::int64_t>(p.differingLbas.size()) ? " ...\n" : "\n";
    }
  }
  StreamText(out, r.stream);
  out += "Reading into the lead-in: " + ProbeText(r.overread.leadIn) + "\n";
  out += "Reading into the lead-out: " + ProbeText(r.overread.leadOut) + "\n";
  OffsetText(out, r.offset);
  for (const std::string& n : r.notes) out += "Note: " + n + "\n";
  char took[64];
  std::snprintf(took, sizeof took, "Time taken: %.1f s\n", r.virtualSeconds);
  return out + took;
}

}  // namespace report
