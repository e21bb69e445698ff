// Which drive and disc a result was measured on: the part every result record shares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace report {

struct DriveRecord {
  std::string vendor;    // INQUIRY vendor identification, trailing blanks removed
  std::string product;   // INQUIRY product identification, trailing blanks removed
  std::string revision;  // INQUIRY product revision level, trailing blanks removed
  std::string letter;    // "D:", or empty when the drive has no letter
  std::string device;    // adapter:target:lun as the drive list addresses it
};

// The medium, as the drive named it (its current profile).
struct MediumRecord {
  std::string name;                           // "DVD-ROM", "BD-ROM", "CD-ROM" ...
  std::optional<int> layers;                  // when known
  std::optional<std::string> trackPath;       // "parallel" or "opposite", with two layers
  std::optional<std::int64_t> layerBreakLba;  // the first LBA of layer 1
  bool layerBreakFromCurve = false;           // found from the curve, not told by the disc
  std::int64_t unitBytesPerSecond = 0;        // the medium's 1x in user data
};

struct DiscRecord {
  std::optional<std::int64_t> capacityBlocks;         // recorded capacity, when it was read
  std::optional<MediumRecord> medium = std::nullopt;  // when the drive named it
};

}  // namespace report
