#include "report/ScanJson.h"

#include <nlohmann/json.hpp>

#include "report/JsonHead.h"
#include "report/RecordKind.h"
#include "report/Rotation.h"

#include "report/SpeedUnits.h"

namespace report {
namespace {

using nlohmann::ordered_json;

ordered_json Curve(const CurveResult& c) {
  ordered_json j;
  j["mode"] = c.mode;
  j["start"] = c.start;
  j["blocks"] = c.blocks;
  j["blocks_per_command"] = c.blocksPerCommand;
  ordered_json samples = ordered_json::array();
  for (const ScanSample& s : c.samples)
    samples.push_back(
        {{"lba", s.lba},
         {"blocks", s.blocks},
         {"micros", s.micros},
         {"speed_x", s.speedX},
         {"kib_per_s", s.kibPerS},
         {"rpm", s.rpm > 0 && !PhysicalRpm(s.rpm) ? ordered_json(nullptr) : ordered_json(s.rpm)}});
  j["samples"] = std::move(samples);
  j["strategy"] = StrategyName(c.strategy);
  j["start_speed_x"] = c.startSpeedX;
  j["end_speed_x"] = c.endSpeedX;
  const bool physical = !c.rpm || PhysicalRpm(*c.rpm);
  j["rpm"] = c.rpm && physical ? ordered_json(*c.rpm) : ordered_json(nullptr);
  if (!physical) j["rpm_not_physical"] = true;
  j["zones"] = c.zones;
  if (c.averageSpeedX) {  // a DVD's or BD's
    j["average_speed_x"] = *c.averageSpeedX;
    j["drive_max_x"] = c.driveMaxX ? ordered_json(*c.driveMaxX) : ordered_json(nullptr);
    j["held_down_by_drive"] = c.heldDown ? ordered_json(*c.heldDown) : ordered_json(nullptr);
  }
  if (c.layerChangeLba) j["layer_change_sample_lba"] = *c.layerChangeLba;
  if (c.returningFrom) j["layer1_outside_in_from_lba"] = *c.returningFrom;
  if (c.layerBreakFromCurve) {
    j["layer_break_from_curve_lba"] = *c.layerBreakFromCurve;
    j["layer_pause_seen"] = c.layerPauseSeen;
  }
  if (c.aborted) j["aborted"] = c.abortReason;
  return j;
}

ordered_json RunsJson(const std::vector<SurfaceRun>& runs) {
  ordered_json j = ordered_json::array();
  for (const SurfaceRun& r : runs) {
    ordered_json run = {{"first", r.first}, {"blocks", r.blocks}};
    if (!r.sense.empty()) run["sense"] = r.sense;
    j.push_back(std::move(run));
  }
  return j;
}

ordered_json Surface(const SurfaceResult& s) {
  ordered_json j;
  j["mode"] = s.mode;
  j["start"] = s.start;
  j["blocks"] = s.blocks;
  j["blocks_per_command"] = s.blocksPerCommand;
  j["read"] = s.read;
  j["good"] = s.GoodCount();
  j["weak"] = s.weakCount;
  j["unreadable"] = s.unreadableCount;
  j["c2_flagged"] = s.c2Count;
  j["unreadable_runs"] = RunsJson(s.unreadable);
  j["weak_runs"] = RunsJson(s.weak);
  j["c2_runs"] = RunsJson(s.c2);
  ordered_json speeds = ordered_json::array();
  for (const SurfaceSpeed& p : s.speeds)
    speeds.push_back({{"lba", p.lba}, {"blocks", p.blocks}, {"speed_x", p.speedX}});
  j["speeds"] = std::move(speeds);
  j["retry_count"] = s.retryCount ? ordered_json(*s.retryCount) : ordered_json(nullptr);
  if (s.aborted) j["aborted"] = s.abortReason;
  return j;
}

}  // namespace

std::string ScanJson(const DriveRecord& drive, const DiscRecord& disc, const ScanRecord& r,
                     std::chrono::system_clock::time_point when) {
  ordered_json j = JsonHead(drive, disc, when);
  AddRecordKind(j, r.surface ? kKindSurface : kKindScan);
  if (r.info) {
    const DriveSpeedInfo& i = *r.info;
    j["info"] = {{"max_read_kb_per_s", i.maxReadKBps},
                 {"max_read_x", XForKiloBytes(i.maxReadKBps, r.unit)},
                 {"current_read_kb_per_s", i.currentReadKBps},
                 {"current_read_x", XForKiloBytes(i.currentReadKBps, r.unit)},
                 {"cdda_supported", i.cddaSupported},
                 {"cdda_accurate", i.cddaAccurate},
                 {"c2_pointers", i.c2Pointers},
                 {"buffer_kib", i.bufferKB}};
  }
  if (r.speedsKBps) {
    ordered_json speeds = ordered_json::array();
    for (int kbps : *r.speedsKBps)
      speeds.push_back({{"kb_per_s", kbps}, {"x", XForKiloBytes(kbps, r.unit)}});
    j["speeds"] = std::move(speeds);
  } else if (r.speedsAsked) {
    j["speeds"] = "not reported";
  }
  if (r.speed) {
    j["requested_speed_x"] = r.speed->requestedX;
    if (r.unit != scsi::MediumFamily::CD) j["speed_set_by"] = r.speed->setBy;
    j["taken_speed_x"] = r.speed->takenX ? ordered_json(*r.speed->takenX) : ordered_json(nullptr);
    j["measured_speed_x"] =
        r.speed->measuredX ? ordered_json(*r.speed->measuredX) : ordered_json(nullptr);
  }
  if (r.curve) j.update(Curve(*r.curve));
  if (r.access && r.access->aborted) {
    j["access_ms"] = {{"trials", r.access->trials}, {"aborted", "aborted"}};
  } else if (r.access) {
    j["access_ms"] = {{"random", r.access->randomMs},
                      {"third", r.access->thirdMs},
                      {"full", r.access->fullMs},
                      {"trials", r.access->trials}};
  }
  if (r.spinUpMs) j["spin_up_ms"] = *r.spinUpMs;
  if (r.spinUpAborted) j["spin_up_aborted"] = "aborted";
  if (r.surface) j["surface"] = Surface(*r.surface);
  j["refused"] = r.refused;
  return j.dump(2) + "\n";
}

}  // namespace report
