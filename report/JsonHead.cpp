#include "report/JsonHead.h"

#include <ctime>

namespace report {

const char* VersionText() {
  return VELMARK_VERSION;
}

std::string IsoUtc(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

Json JsonHead(const DriveRecord& drive, const DiscRecord& disc,
              std::chrono::system_clock::time_point when) {
  Json head = Json::object();
  head["drive"] = {{"vendor", drive.vendor},
                   {"product", drive.product},
                   {"revision", drive.revision},
                   {"letter", drive.letter},
                   {"device", drive.device}};
  Json discJson = Json::object();
  discJson["capacity_blocks"] = disc.capacityBlocks ? Json(*disc.capacityBlocks) : Json(nullptr);
  if (const std::optional<MediumRecord>& m = disc.medium) {  // else these are left out
    discJson["medium"] = m->name;
    discJson["layers"] = m->layers ? Json(*m->layers) : Json(nullptr);
    discJson["track_path"] = m->trackPath ? Json(*m->trackPath) : Json(nullptr);
    discJson["layer_break_lba"] = m->layerBreakLba ? Json(*m->layerBreakLba) : Json(nullptr);
    if (m->layerBreakFromCurve) discJson["layer_break_from"] = "curve";
    discJson["unit_bytes_per_s"] = m->unitBytesPerSecond;
  }
  head["disc"] = discJson;
  head["version"] = VersionText();
  head["date"] = IsoUtc(when);
  return head;
}

}  // namespace report
