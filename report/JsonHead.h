// The keys every JSON result starts with: the drive, the disc, the program's version and
// the date of the measurement. The speed test's and the scan's JSON both begin with it.
#pragma once

#include <chrono>
#include <string>

#include <nlohmann/json.hpp>

#include "report/DriveRecord.h"

namespace report {

// Keys in the order they are written.
using Json = nlohmann::ordered_json;

// The program's version, "major.minor.patch".
const char* VersionText();

// ISO 8601 in UTC to the second: "2026-12-08T07:15:37Z".
std::string IsoUtc(std::chrono::system_clock::time_point when);

// An object holding `drive` {vendor, product, revision, letter, device}, `disc`
// {capacity_blocks (null when not read); when the drive named the medium also medium,
// layers, track_path, layer_break_lba and unit_bytes_per_s (null where unknown)}, `version`
// and `date`; a writer adds its own keys.
Json JsonHead(const DriveRecord& drive, const DiscRecord& disc,
              std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace report
