#include "report/SpeedTestJson.h"

#include <optional>

#include "report/NumberText.h"
#include "report/RecordKind.h"

namespace report {

namespace {

Json Number(std::optional<float> v) {
  return v ? Json(ShortestDouble(*v)) : Json(nullptr);
}

}  // namespace

Json SpeedTestJson(const SpeedTestRecord& r, std::chrono::system_clock::time_point when) {
  Json j = JsonHead(r.drive, r.disc, when);
  AddRecordKind(j, kKindSpeedTest);
  const std::optional<SpeedFigures>& f = r.figures;
  j["mode"] = ReadModeName(r.mode);
  j["range"] = {{"start", r.start}, {"blocks", r.blocks}};
  j["seconds"] = Number(f ? std::optional(f->seconds) : std::nullopt);
  j["kib"] = Number(f ? std::optional(f->kilobytes) : std::nullopt);
  j["average_kib_per_s"] = Number(f ? std::optional(f->averageKBps) : std::nullopt);
  j["kib_per_x"] = f ? Json(f->kbPerX) : Json(nullptr);
  j["average_x"] = Number(f ? std::optional(f->averageX) : std::nullopt);
  j["highest_x"] = Number(f ? f->highestX : std::nullopt);
  j["burst_x"] = Number(f ? f->burstX : std::nullopt);
  j["failed_commands"] = f ? f->failedCommands : 0;
  j["aborted"] = r.aborted ? Json(r.abortReason) : Json(false);
  return j;
}

std::string SpeedTestJsonText(const SpeedTestRecord& record,
                              std::chrono::system_clock::time_point when) {
  return SpeedTestJson(record, when).dump(2) + "\n";
}

}  // namespace report
