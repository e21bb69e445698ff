#include "sim/win32/DemoMachineText.h"

#include <algorithm>
#include <cstdio>

#include "sim/win32/DemoMachine.h"

namespace sim {

namespace {

const char* StrategyName(SpeedProfile profile) {
  switch (profile) {
    case SpeedProfile::CAV:
      return "CAV";
    case SpeedProfile::CLV:
      return "CLV";
    case SpeedProfile::PCAV:
      return "P-CAV";
    case SpeedProfile::ZCLV:
      return "Z-CLV";
  }
  return "?";
}

// Minutes and seconds of `blocks` at 75 blocks a second: "79:57".
std::string PlayingTime(std::int32_t blocks) {
  const std::int32_t seconds = blocks / 75;
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(seconds / 60),
                static_cast<int>(seconds % 60));
  return text;
}

std::string DiscSummary(const std::optional<Disc>& disc) {
  if (!disc) return "no disc";
  if (disc->IsBlank()) return "a blank disc";
  if (disc->Family() != scsi::MediumFamily::CD) {
    std::string text = "a " + scsi::ProfileName(disc->Profile()) + " of " +
                       std::to_string(disc->LeadOut()) + " blocks";
    if (disc->Layers() > 1)
      text += ", " + std::to_string(disc->Layers()) + " layers (" +
              (disc->OppositeTrackPath() ? "opposite" : "parallel") + " track path, break at " +
              std::to_string(disc->LayerBreak()) + ")";
    return text;
  }
  const auto& tracks = disc->Tracks();
  const auto audio = std::count_if(tracks.begin(), tracks.end(),
                                   [](const Track& t) { return t.kind == TrackKind::Audio; });
  const std::string length = " (" + PlayingTime(disc->LeadOut()) + ")";
  if (audio == 0 && tracks.size() == 1)
    return "a data disc of " + std::to_string(disc->LeadOut()) + " blocks" + length;
  const std::string count =
      std::to_string(tracks.size()) + " track" + (tracks.size() == 1 ? "" : "s");
  if (audio == static_cast<std::ptrdiff_t>(tracks.size()))
    return "an audio CD of " + count + length;
  if (audio == 0) return "a data disc of " + count + length;
  return "a mixed-mode disc of " + count + length;
}

std::string Speed(double x) {
  char text[16];
  std::snprintf(text, sizeof text, "%gx", x);
  return text;
}

}  // namespace

std::string DriveSummary(const SimDriveConfig& config) {
  // The x of a DVD or BD is named; a CD in a drive that reads DVDs says so.
  const bool cd = !config.disc || config.disc->Family() == scsi::MediumFamily::CD;
  const std::string medium = cd ? "" : std::string(" ") + scsi::FamilyName(config.disc->Family());
  std::string text = Speed(config.timing.maxDataSpeed) + medium + " " +
                     StrategyName(config.timing.profile) + ", " + DiscSummary(config.disc) +
                     (cd && config.ReadsDvd() ? " in a DVD drive" : "");
  std::int64_t unreadable = 0, weak = 0;
  for (const MediumErrorRange& m : config.faults.mediumErrors)
    if (m.recoverAfterTries < 0) unreadable += m.blocks;
  for (const WeakRange& w : config.faults.weakSectors) weak += w.blocks;
  const std::size_t scratched = config.audio.damagedSectors.size();
  if (unreadable > 0 || weak > 0 || scratched > 0)
    text += ", damaged: " + std::to_string(unreadable) + " unreadable, " + std::to_string(weak) +
            " weak" + (scratched > 0 ? ", " + std::to_string(scratched) + " scratched" : "") +
            " blocks";
  if (config.timing.heldSpeed > 0)
    text += ", read no faster than " + Speed(config.timing.heldSpeed) + " (a video disc)";
  if (!cd && config.realTimeStreaming)
    text += config.quirks.refusesSetStreaming ? "; refuses SET STREAMING" : "; SET STREAMING";
  return text;
}

std::string DemoDriveList(const std::string& indent, DemoProfile profile) {
  std::string text;
  for (const DemoMachine::Slot& slot : DemoMachine::Slots(profile))
    text += indent + slot.letter + ":  " + DriveSummary(slot.config()) + "\n";
  return text;
}

}  // namespace sim
