#include "report/ScanCsv.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "report/CsvField.h"
#include "report/Rotation.h"

namespace report {
namespace {

std::string Number(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

void Row(std::string& out, const std::string& figure, const std::string& value) {
  out += CsvField(figure) + "," + CsvField(value) + "\n";
}

}  // namespace

std::string ScanCsv(const ScanRecord& r) {
  std::string out;
  if (r.curve) {
    out += "lba,blocks,micros,speed_x,kib_per_s,rpm\n";
    for (const ScanSample& s : r.curve->samples)
      out += std::to_string(s.lba) + "," + std::to_string(s.blocks) + "," +
             std::to_string(s.micros) + "," + Number(s.speedX, 3) + "," + Number(s.kibPerS, 1) +
             "," + (PhysicalRpm(s.rpm) ? Number(s.rpm, 0) : std::string()) + "\n";
    return out;
  }
  if (r.surface) {  // the marked runs of blocks, in the order of the disc
    std::vector<std::pair<const char*, const SurfaceRun*>> runs;
    for (const auto& [mark, list] :
         {std::pair{"unreadable", &r.surface->unreadable}, std::pair{"weak", &r.surface->weak},
          std::pair{"c2", &r.surface->c2}})
      for (const SurfaceRun& run : *list) runs.emplace_back(mark, &run);
    std::stable_sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
      return a.second->first < b.second->first;
    });
    out += "mark,first,last,blocks,sense\n";
    for (const auto& [mark, run] : runs)
      out += std::string(mark) + "," + std::to_string(run->first) + "," +
             std::to_string(run->first + run->blocks - 1) + "," + std::to_string(run->blocks) +
             "," + CsvField(run->sense) + "\n";
    return out;
  }
  out += "figure,value\n";
  if (r.info) {
    Row(out, "max_read_kb_per_s", std::to_string(r.info->maxReadKBps));
    Row(out, "current_read_kb_per_s", std::to_string(r.info->currentReadKBps));
    Row(out, "cdda_supported", r.info->cddaSupported ? "yes" : "no");
    Row(out, "cdda_accurate", r.info->cddaAccurate ? "yes" : "no");
    Row(out, "c2_pointers", r.info->c2Pointers ? "yes" : "no");
    Row(out, "buffer_kib", std::to_string(r.info->bufferKB));
  }
  if (r.speedsKBps)
    for (int kbps : *r.speedsKBps) Row(out, "speed_kb_per_s", std::to_string(kbps));
  if (r.speed) {
    Row(out, "requested_speed_x", Number(r.speed->requestedX, 1));
    if (r.speed->takenX) Row(out, "taken_speed_x", Number(*r.speed->takenX, 2));
    if (r.speed->measuredX) Row(out, "measured_speed_x", Number(*r.speed->measuredX, 2));
  }
  if (r.access && r.access->aborted) {
    Row(out, "access_aborted", "aborted");
  } else if (r.access) {
    Row(out, "access_random_ms", Number(r.access->randomMs, 2));
    Row(out, "access_third_ms", Number(r.access->thirdMs, 2));
    Row(out, "access_full_ms", Number(r.access->fullMs, 2));
  }
  if (r.spinUpMs) Row(out, "spin_up_ms", Number(*r.spinUpMs, 1));
  if (r.spinUpAborted) Row(out, "spin_up_aborted", "aborted");
  for (const std::string& refusal : r.refused) Row(out, "refused", refusal);
  return out;
}

}  // namespace report
