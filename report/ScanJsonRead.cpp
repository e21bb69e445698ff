#include "report/ScanJsonRead.h"

#include <nlohmann/json.hpp>

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
    sample.kibPerS = s.value("kb_per_s", 0.0);
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

}  // namespace

bool ReadScanJson(const std::string& text, SavedScan& scan, std::string& error) {
  const json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    error = "it is not JSON";
    return false;
  }
  if (!j.contains("samples") && !j.contains("access_ms") && !j.contains("spin_up_ms")) {
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
    read.date = Text(j, "date");
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
