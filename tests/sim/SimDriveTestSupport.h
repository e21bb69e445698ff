// Sends command blocks to a SimDrive the way the simulated machine does, keeping the
// machine's clock: each command is answered at the clock, which then advances by the
// service time the drive reported.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "sim/scsi/SimDrive.h"

namespace sim::testing {

struct Outcome {
  ScsiReply reply;
  std::vector<std::uint8_t> data;  // the whole transfer area after the command

  bool good() const { return reply.responded && reply.status == 0x00; }
  std::uint8_t key() const { return reply.sense[2]; }
  std::uint8_t asc() const { return reply.sense[12]; }
  std::uint8_t ascq() const { return reply.sense[13]; }
  // "KK/AA/QQ" of the sense, or "GOOD" / "BUSY" / "NO RESPONSE".
  std::string Triple() const {
    if (!reply.responded) return "NO RESPONSE";
    if (reply.status == 0x00) return "GOOD";
    if (reply.status == 0x08) return "BUSY";
    char text[16];
    std::snprintf(text, sizeof text, "%02X/%02X/%02X", key(), asc(), ascq());
    return text;
  }
  std::vector<std::uint8_t> Transferred() const {
    return {data.begin(), data.begin() + std::min<std::size_t>(reply.transferred, data.size())};
  }
};

class Machine {
 public:
  explicit Machine(SimDrive& drive, std::uint64_t startMicros = 0)
      : drive_(drive), now_(startMicros) {}

  Outcome In(std::initializer_list<std::uint8_t> cdb, std::uint32_t length) {
    return Send(cdb, DataDirection::In, std::vector<std::uint8_t>(length, 0xEE));
  }
  Outcome NoData(std::initializer_list<std::uint8_t> cdb) {
    return Send(cdb, DataDirection::None, {});
  }
  Outcome Out(std::initializer_list<std::uint8_t> cdb, std::vector<std::uint8_t> list) {
    return Send(cdb, DataDirection::Out, std::move(list));
  }
  Outcome Send(std::initializer_list<std::uint8_t> cdb, DataDirection direction,
               std::vector<std::uint8_t> data) {
    std::uint8_t block[16] = {};
    std::size_t i = 0;
    for (std::uint8_t b : cdb) block[i++] = b;
    ScsiRequest request;
    request.cdb = block;
    request.cdbLength = static_cast<std::uint8_t>(i);
    request.direction = direction;
    request.data = data.empty() ? nullptr : data.data();
    request.dataLength = static_cast<std::uint32_t>(data.size());
    request.nowMicros = now_;
    Outcome o;
    o.reply = drive_.Execute(request);
    now_ += o.reply.serviceMicros;
    o.data = std::move(data);
    return o;
  }

  // READ(10), READ CD (flags F8h) and SEEK(10) with their fields filled in.
  Outcome Read10(std::uint32_t lba, std::uint16_t blocks, std::uint32_t blockBytes) {
    return In(
        {0x28, 0, B(lba, 24), B(lba, 16), B(lba, 8), B(lba, 0), 0, B(blocks, 8), B(blocks, 0), 0},
        blocks * blockBytes);
  }
  Outcome ReadCd(std::uint32_t lba, std::uint32_t blocks, std::uint8_t flags = 0xF8,
                 std::uint8_t type = 0, std::uint32_t blockBytes = 2352) {
    return In({0xBE, type, B(lba, 24), B(lba, 16), B(lba, 8), B(lba, 0), B(blocks, 16),
               B(blocks, 8), B(blocks, 0), flags, 0, 0},
              blocks * blockBytes);
  }
  Outcome Seek(std::uint32_t lba) {
    return NoData({0x2B, 0, B(lba, 24), B(lba, 16), B(lba, 8), B(lba, 0), 0, 0, 0, 0});
  }
  Outcome TestUnitReady() { return NoData({0x00, 0, 0, 0, 0, 0}); }

  std::uint64_t now() const { return now_; }
  void Advance(std::uint64_t micros) { now_ += micros; }

  static std::uint8_t B(std::uint32_t v, int shift) {
    return static_cast<std::uint8_t>(v >> shift);
  }

 private:
  SimDrive& drive_;
  std::uint64_t now_;
};

// A drive with a 79:57 data disc, ready, without the power-on unit attention.
inline SimDriveConfig QuietConfig() {
  SimDriveConfig config;
  config.powerOnAttention = false;
  return config;
}

}  // namespace sim::testing
