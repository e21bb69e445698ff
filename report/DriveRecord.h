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

struct DiscRecord {
  std::optional<std::int64_t> capacityBlocks;  // recorded capacity, when it was read
};

}  // namespace report
