#include "report/ScanJsonRead.h"

#include <nlohmann/json.hpp>

#include "report/RecordKind.h"

namespace report {
namespace {

using nlohmann::json;

Strategy StrategyOf(const std::string& name) {
  for (Strategy s : {Strategy::CLV, Strategy::CAV, Strategy::PCAV, Strategy::ZCLV})
    if (name == StrategyName(s)) return s;
  return Strategy::Unknown;
}

std::string Text(const json& j, const char* key) {
  return j.contains(key) && j[key].is_string() ? j[key].get<std::string>() : std::string();
}

CurveResult CurveOf(const json& j) {
  CurveResult c;
  c.mode = Text(j, "mode");
  c.start = j.value("start", std::int64_t{0});
  c.blocks = j.value("blocks", std::int64_t{0});
  c.blocksPerCommand = j.value("blocks_per_command", std::int32_t{27});
  for (const json& s : j.at("samples")) {
    ScanSample sample;
    sample.lba = s.at("lba").get<std::int64_t>();
    sample.blocks = s.at("blocks").get<std::int32_t>();
    sample.micros = s.at("micros").get<std::int64_t>();
    sample.speedX = s.at("speed_x").get<double>();
    // KiB a second: `kib_per_s` since the second format, `kb_per_s` in the first.
    sample.kibPerS = s.value("kib_per_s", s.value("kb_per_s", 0.0));
    sample.rpm = s.value("rpm", 0.0);
    c.samples.push_back(sample);
  }
  c.strategy = StrategyOf(Text(j, "strategy"));
  c.startSpeedX = j.value("start_speed_x", 0.0);
  c.endSpeedX = j.value("end_speed_x", 0.0);
  if (j.contains("rpm") && j["rpm"].is_number()) c.rpm = j["rpm"].get<double>();
  if (j.contains("zones")) c.zones = j["zones"].get<std::vector<std::int64_t>>();
  if (j.contains("aborted")) {
    c.aborted = true;
    c.abortReason = Text(j, "aborted");
  }
  return c;
}

std::vector<SurfaceRun> RunsOf(const json& j) {
  std::vector<SurfaceRun> runs;
  for (const json& r : j)
    runs.push_back(
        {r.at("first").get<std::int64_t>(), r.at("blocks").get<std::int64_t>(), Text(r, "sense")});
  return runs;
}

SurfaceResult SurfaceOf(const json& j) {
  SurfaceResult s;
  s.mode = Text(j, "mode");
  s.start = j.value("start", std::int64_t{0});
  s.blocks = j.value("blocks", std::int64_t{0});
  s.blocksPerCommand = j.value("blocks_per_command", std::int32_t{27});
  s.read = j.at("read").get<std::int64_t>();
  s.weakCount = j.at("weak").get<std::int64_t>();
  s.unreadableCount = j.at("unreadable").get<std::int64_t>();
  s.c2Count = j.value("c2_flagged", std::int64_t{0});
  if (j.contains("unreadable_runs")) s.unreadable = RunsOf(j["unreadable_runs"]);
  if (j.contains("weak_runs")) s.weak = RunsOf(j["weak_runs"]);
  if (j.contains("c2_runs")) s.c2 = RunsOf(j["c2_runs"]);
  if (j.contains("speeds"))
    for (const json& p : j["speeds"])
      s.speeds.push_back({p.at("lba").get<std::int64_t>(), p.at("blocks").get<std::int64_t>(),
                          p.at("speed_x").get<double>()});
  if (j.contains("retry_count") && j["retry_count"].is_number_integer())
    s.retryCount = j["retry_count"].get<int>();
  if (j.contains("aborted")) {
    s.aborted = true;
    s.abortReason = Text(j, "aborted");
  }
  return s;
}

// Why a record of this kind and format is not read, or empty. A record without them is of
// the first format, written before records named their kind.
std::string KindRefusal(const json& j) {
  const std::string kind = Text(j, "kind");
  if (j.contains("kind") && kind != kKindScan && kind != kKindSurface)
    return "it is a record of another kind (" + (kind.empty() ? j["kind"].dump() : kind) +
           "), not a scan or a surface scan";
  if (!j.contains("format")) return {};
  if (!j["format"].is_number_integer() || j["format"].get<long long>() < 1)
    return "its record format (" + j["format"].dump() + ") is not a format number";
  if (j["format"].get<long long>() > kRecordFormat)
    return "its record format " + j["format"].dump() + " is newer than this program reads (up to " +
           std::to_string(kRecordFormat) + ")";
  return {};
}

}  // namespace

bool ReadScanJson(const std::string& text, SavedScan& scan, std::string& error) {
  const json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    error = "it is not JSON";
    return false;
  }
  if (const std::string refusal = KindRefusal(j); !refusal.empty()) {
    error = refusal;
    return false;
  }
  if (!j.contains("samples") && !j.contains("access_ms") && !j.contains("spin_up_ms") &&
      !j.contains("surface")) {
    error = "it holds no scan (no samples, access or spin-up times)";
    return false;
  }
  try {
    SavedScan read;
    if (j.contains("drive") && j["drive"].is_object()) {
      const json& d = j["drive"];
      read.drive = {Text(d, "vendor"), Text(d, "product"), Text(d, "revision"), Text(d, "letter"),
                    Text(d, "device")};
    }
    if (j.contains("disc") && j["disc"].is_object() && j["disc"].contains("capacity_blocks") &&
        j["disc"]["capacity_blocks"].is_number_integer()) {
      read.disc.capacityBlocks = j["disc"]["capacity_blocks"].get<std::int64_t>();
    }
    if (j.contains("disc") && j["disc"].is_object() && j["disc"].contains("medium") &&
        j["disc"]["medium"].is_string()) {
      const json& d = j["disc"];
      MediumRecord& m = read.disc.medium.emplace();
      m.name = Text(d, "medium");
      if (d.contains("unit_bytes_per_s") && d["unit_bytes_per_s"].is_number_integer())
        m.unitBytesPerSecond = d["unit_bytes_per_s"].get<std::int64_t>();
      if (d.contains("layers") && d["layers"].is_number_integer())
        m.layers = d["layers"].get<int>();
      if (d.contains("layer_break_lba") && d["layer_break_lba"].is_number_integer())
        m.layerBreakLba = d["layer_break_lba"].get<std::int64_t>();
    }
    read.date = Text(j, "date");
    if (j.contains("surface")) read.record.surface = SurfaceOf(j["surface"]);
    if (j.contains("samples")) read.record.curve = CurveOf(j);
    if (j.contains("access_ms")) {
      const json& a = j["access_ms"];
      AccessResult access;
      access.trials = a.value("trials", 0);
      access.aborted = a.contains("aborted");
      access.randomMs = a.value("random", 0.0);
      access.thirdMs = a.value("third", 0.0);
      access.fullMs = a.value("full", 0.0);
      read.record.access = access;
    }
    if (j.contains("spin_up_ms")) read.record.spinUpMs = j["spin_up_ms"].get<double>();
    read.record.spinUpAborted = j.contains("spin_up_aborted");
    if (j.contains("refused")) read.record.refused = j["refused"].get<std::vector<std::string>>();
    scan = std::move(read);
    return true;
  } catch (const json::exception&) {
    error = "a value in it is missing or of the wrong kind";
    return false;
  }
}

}  // namespace report
