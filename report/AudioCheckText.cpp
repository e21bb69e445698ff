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
  for (const std::string& n : r.notes) out += "Note: " + n + "\n";
  char took[64];
  std::snprintf(took, sizeof took, "Time taken: %.1f s\n", r.virtualSeconds);
  return out + took;
}

}  // namespace report
