#include "report/ScanText.h"

#include <cmath>
#include <cstdio>

#include "report/Rotation.h"
#include "report/SpeedUnits.h"

namespace report {
namespace {

std::string Fixed(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string Speed(int kbps, scsi::MediumFamily unit) {
  return std::to_string(kbps) + " kB/s (" + Fixed(XForKiloBytes(kbps, unit), 1) + "x)";
}

const char* YesNo(bool v) {
  return v ? "yes" : "no";
}

// "16000-16001 (03/11/00), 30000 (03/11/00)", at most `shown` runs and how many more.
std::string RunsText(const std::vector<SurfaceRun>& runs, std::size_t shown = 20) {
  std::string out;
  for (std::size_t k = 0; k < runs.size() && k < shown; ++k) {
    const SurfaceRun& r = runs[k];
    out += (k ? ", " : " ") + std::to_string(r.first);
    if (r.blocks > 1) out += "-" + std::to_string(r.first + r.blocks - 1);
    if (!r.sense.empty()) out += " (" + r.sense + ")";
  }
  if (runs.size() > shown) out += " and " + std::to_string(runs.size() - shown) + " more runs";
  return out;
}

std::string SurfaceText(const SurfaceResult& s) {
  std::string out = "Surface (" + s.mode + ", LBA " + std::to_string(s.start) + " + " +
                    std::to_string(s.blocks) + " blocks): " + std::to_string(s.GoodCount()) +
                    " good, " + std::to_string(s.weakCount) + " weak, " +
                    std::to_string(s.unreadableCount) + " unreadable, " +
                    std::to_string(s.c2Count) + " C2-flagged\n";
  if (s.aborted)
    out += "  not completed after " + std::to_string(s.read) + " blocks: " + s.abortReason + "\n";
  if (!s.unreadable.empty()) out += "  unreadable:" + RunsText(s.unreadable) + "\n";
  if (!s.weak.empty()) out += "  weak:" + RunsText(s.weak) + "\n";
  if (!s.c2.empty()) out += "  C2-flagged:" + RunsText(s.c2) + "\n";
  if (s.retryCount)
    out += "  read retry count during the scan: " + std::to_string(*s.retryCount) + "\n";
  return out;
}

}  // namespace

std::string ScanText(const ScanRecord& r) {
  std::string out;
  if (r.info) {
    const DriveSpeedInfo& i = *r.info;
    out += "Capabilities: maximum read speed " + Speed(i.maxReadKBps, r.unit) + ", current " +
           Speed(i.currentReadKBps, r.unit) + "\n  CD-DA commands " + YesNo(i.cddaSupported) +
           ", CD-DA stream accurate " + YesNo(i.cddaAccurate) + ", C2 pointers " +
           YesNo(i.c2Pointers) + ", buffer " + std::to_string(i.bufferKB) + " KB\n";
  }
  if (r.speedsAsked && !r.speedsKBps) out += "Speeds offered: not reported\n";
  if (r.speedsKBps) {
    out += "Speeds offered:";
    if (r.speedsKBps->empty()) out += " none listed";
    for (std::size_t k = 0; k < r.speedsKBps->size(); ++k)
      out += (k ? ", " : " ") + Fixed(XForKiloBytes((*r.speedsKBps)[k], r.unit), 1) + "x";
    out += "\n";
  }
  if (r.speed) {
    // A whole speed as it was asked ("20x"), one with decimals to two places ("2.40x"); on a
    // DVD or BD the command that asked for it.
    const double asked = r.speed->requestedX;
    out +=
        "Speed requested: " + Fixed(asked, asked == std::floor(asked) ? 0 : 2) + "x" +
        (r.unit != scsi::MediumFamily::CD && !r.speed->setBy.empty() ? " (" + r.speed->setBy + ")"
                                                                     : std::string()) +
        "; taken: " +
        (r.speed->takenX ? Fixed(*r.speed->takenX, 1) + "x" : std::string("not reported")) +
        "; measured: " +
        (r.speed->measuredX ? Fixed(*r.speed->measuredX, 2) + "x over LBA " +
                                  std::to_string(r.speed->measuredStart) + " + " +
                                  std::to_string(r.speed->measuredBlocks)
                            : std::string("not measured")) +
        "\n";
  }
  if (r.curve) {
    const CurveResult& c = *r.curve;
    out += "Curve (" + c.mode + ", LBA " + std::to_string(c.start) + " + " +
           std::to_string(c.blocks) + " blocks, " + std::to_string(c.samples.size()) + " samples)";
    if (c.aborted) {
      out += ": not completed, " + c.abortReason + "\n";
    } else {
      out += ": strategy " + std::string(StrategyName(c.strategy)) + ", " +
             Fixed(c.startSpeedX, 2) + "x to " + Fixed(c.endSpeedX, 2) + "x";
      if (c.rpm)
        out += ", CAV at " + (PhysicalRpm(*c.rpm) ? Fixed(*c.rpm, 0) + " rpm"
                                                  : std::string("a rotation ") + kNotPhysicalRpm);
      out += "\n";
      if (c.heldDown && *c.heldDown)
        out += "  whole-disc average " + Fixed(*c.averageSpeedX, 2) +
               "x, under half the drive's maximum of " + Fixed(*c.driveMaxX, 1) +
               "x: held down by the drive\n";
      if (c.layerChangeLba)
        out += "  layer change in the sample from LBA " + std::to_string(*c.layerChangeLba) +
               ", kept out of the fit\n";
      if (c.layerBreakFromCurve)
        out += "  layer break found from the curve at LBA " +
               std::to_string(*c.layerBreakFromCurve) + " (the speed's turn" +
               (c.layerPauseSeen ? ", the layer change's pause" : "") + ")\n";
      if (c.returningFrom)
        out += "  layer 1 read from the outside in from LBA " + std::to_string(*c.returningFrom) +
               "\n";
      if (c.strategy == Strategy::PCAV && !c.zones.empty())
        out += "  change-over to constant speed at LBA " + std::to_string(c.zones.front()) + "\n";
      if (c.strategy == Strategy::ZCLV) {
        out += "  zones start at LBA";
        for (std::size_t k = 0; k < c.zones.size(); ++k)
          out += (k ? ", " : " ") + std::to_string(c.zones[k]);
        out += "\n";
      }
    }
  }
  if (r.access && r.access->aborted) {
    out += "Access: not completed, aborted after " + std::to_string(r.access->timed.size()) +
           " trials\n";
  } else if (r.access) {
    out += "Access: random " + Fixed(r.access->randomMs, 1) + " ms, one-third stroke " +
           Fixed(r.access->thirdMs, 1) + " ms, full stroke " + Fixed(r.access->fullMs, 1) +
           " ms (" + std::to_string(r.access->trials) + " trials each)\n";
  }
  if (r.spinUpMs) out += "Spin-up: " + Fixed(*r.spinUpMs, 1) + " ms\n";
  if (r.spinUpAborted) out += "Spin-up: not completed, aborted\n";
  if (r.surface) out += SurfaceText(*r.surface);
  for (const std::string& refusal : r.refused) out += "Refused: " + refusal + "\n";
  return out;
}

}  // namespace report
