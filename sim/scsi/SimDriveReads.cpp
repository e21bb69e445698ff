// The reads of the simulated drive: READ(10) at the block length in force, READ CD and
// READ CD MSF with the sector fields they select. A read is checked as a whole first
// (range, track modes, fields served); medium errors and a pulled disc then cut it short
// at the block where they occur, after the blocks before it were transferred.
#include <algorithm>
#include <cstring>
#include <optional>

#include "scsi/Status.h"
#include "sim/scsi/SectorData.h"
#include "sim/scsi/SimDriveCommandTable.h"
#include "sim/scsi/SimDriveState.h"

namespace sim {
namespace {

// What one block of a read returns.
enum class Layout {
  UserData,  // READ(10) at 2048: Mode 1 user data; audio blocks are refused
  Raw,       // READ(10) at 2352: raw Mode 1 sectors, audio samples
  CdFields,  // READ CD: the fields of byte 9
};

struct ReadSelection {
  Layout layout = Layout::UserData;
  std::uint8_t expectedType = 0;  // READ CD byte 1 bits 2-4
  std::uint8_t flags = 0;         // READ CD byte 9
};

// Bytes of one block of `kind` under `selection`; nullopt when the drive refuses the block
// (illegal mode for the track).
std::optional<std::uint32_t> BlockBytes(const ReadSelection& selection, TrackKind kind) {
  switch (selection.layout) {
    case Layout::UserData:
      if (kind == TrackKind::Audio) return std::nullopt;
      return 2048;
    case Layout::Raw:
      return 2352;
    case Layout::CdFields:
      break;
  }
  const std::uint8_t t = selection.expectedType;
  if ((t == 1 && kind != TrackKind::Audio) || (t == 2 && kind != TrackKind::Data) || t >= 3)
    return std::nullopt;  // CD-DA / Mode 1 asked on the other kind; Mode 2 is not on the disc
  const std::uint8_t f = selection.flags;
  if (kind == TrackKind::Audio) return (f & 0x10) ? 2352 : 0;
  return ((f & 0x80) ? 12 : 0) + ((f & 0x20) ? 4 : 0) + ((f & 0x10) ? 2048 : 0) +
         ((f & 0x08) ? 288 : 0);
}

// Whether the drive serves the field selection of READ CD byte 9 at all.
bool FieldsServed(std::uint8_t f) {
  const bool sync = f & 0x80, user = f & 0x10, edc = f & 0x08;
  const std::uint8_t headers = (f >> 5) & 0x03;  // 0 none, 1 header, 2 sub-header, 3 all
  if (f & 0x06) return false;                    // C2 error information is not kept
  if (headers == 2) return false;                // Mode 1 has no sub-header
  if (sync && headers == 0) return false;
  if (edc && !user) return false;
  return true;
}

// Writes block `lba` of `kind` as selected into `out` (`bytes` long).
void WriteBlock(std::int32_t lba, TrackKind kind, const ReadSelection& selection,
                std::uint32_t bytes, std::uint8_t* out) {
  if (kind == TrackKind::Audio) {
    if (bytes) SectorData::AudioSamples(lba, out);
    return;
  }
  if (selection.layout == Layout::UserData ||
      (selection.layout == Layout::CdFields && bytes == 2048)) {
    SectorData::UserData(lba, out);
    return;
  }
  std::uint8_t raw[kRawSectorBytes];
  std::uint8_t* sector = bytes == kRawSectorBytes ? out : raw;
  SectorData::RawMode1(lba, sector);
  if (sector == out) return;
  const std::uint8_t f = selection.flags;
  std::uint8_t* at = out;
  auto take = [&at, &raw](std::size_t from, std::size_t length) {
    std::memcpy(at, raw + from, length);
    at += length;
  };
  if (f & 0x80) take(0, 12);
  if (f & 0x20) take(12, 4);
  if (f & 0x10) take(16, 2048);
  if (f & 0x08) take(2064, 288);
}

void ReadBlocks(SimDriveCommand& c, std::int64_t lba, std::int64_t blocks,
                const ReadSelection& selection) {
  SimDriveState& s = c.state;
  const Disc& disc = *s.disc;
  if (blocks == 0) {
    c.reply.status = scsi::status::kGood;
    return;
  }
  if (lba < 0 || lba + blocks > disc.LeadOut()) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kLbaOutOfRange);
    return;
  }
  const std::int32_t first = static_cast<std::int32_t>(lba);
  const std::int32_t end = static_cast<std::int32_t>(lba + blocks);

  // The whole range must be served with one block size.
  std::optional<std::uint32_t> size;
  for (const Track& t : disc.Tracks()) {
    if (t.startLba + t.blocks <= first || t.startLba >= end) continue;
    const std::optional<std::uint32_t> bytes = BlockBytes(selection, t.kind);
    if (!bytes || (size && *size != *bytes)) {
      c.Fail(scsi::key::kIllegalRequest, scsi::asc::kIllegalModeForThisTrack);
      return;
    }
    size = bytes;
  }
  const std::uint32_t blockBytes = size.value_or(0);

  // Where the read stops short: the first unreadable block or the pulled disc.
  std::int32_t stop = end;
  MediumErrorRange* bad = nullptr;
  for (MediumErrorRange& m : s.faults.mediumErrors) {
    const bool unreadable = m.recoverAfterTries < 0 || m.triesSoFar < m.recoverAfterTries;
    const std::int32_t from = std::max(first, m.firstLba);
    if (!unreadable || from >= std::min(end, m.firstLba + m.blocks) || from >= stop) continue;
    stop = from;
    bad = &m;
  }
  bool pulled = false;
  if (s.faults.removeDiscAtLba && *s.faults.removeDiscAtLba >= first &&
      *s.faults.removeDiscAtLba < end && *s.faults.removeDiscAtLba <= stop) {
    stop = *s.faults.removeDiscAtLba;
    bad = nullptr;
    pulled = true;
  }

  const std::int32_t passed = bad ? stop + 1 : stop;  // the drive reads the bad block too
  if (passed > first && !c.model.Timing().zeroLatency) {
    c.serviceMicros = s.head.Read(SpeedsOf(s, c.model), first, passed,
                                  static_cast<double>(c.request.nowMicros), blockBytes);
  }
  if (bad) c.serviceMicros += static_cast<double>(c.model.Timing().mediumErrorMicros);
  for (const WeakRange& w : s.faults.weakSectors) {
    const std::int32_t from = std::max(first, w.firstLba);
    const std::int32_t to = std::min(stop, w.firstLba + w.blocks);
    if (from < to) c.serviceMicros += static_cast<double>(w.retryMicros) * (to - from);
  }

  const std::uint32_t room = c.outCapacity;
  const std::uint64_t goodBytes = std::uint64_t(stop - first) * blockBytes;
  const std::uint32_t delivered =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(goodBytes, room));
  if (c.out && blockBytes) {
    std::uint8_t partial[kRawSectorBytes];
    for (std::int32_t b = first; b < stop; ++b) {
      const std::uint64_t offset = std::uint64_t(b - first) * blockBytes;
      if (offset >= room) break;
      const TrackKind kind = disc.KindAt(b);
      if (offset + blockBytes <= room) {
        WriteBlock(b, kind, selection, blockBytes, c.out + offset);
      } else {  // the last block only partly fits the transfer area
        WriteBlock(b, kind, selection, blockBytes, partial);
        std::memcpy(c.out + offset, partial, room - offset);
      }
    }
  }

  if (bad) {
    ++bad->triesSoFar;
    c.FailAt(scsi::key::kMediumError, scsi::asc::kUnrecoveredReadError, stop);
  } else if (pulled) {
    s.disc.reset();
    s.faults.removeDiscAtLba.reset();
    s.head.Forget();
    c.Fail(scsi::key::kNotReady, scsi::asc::kMediumNotPresent);
  } else {
    c.reply.status = scsi::status::kGood;
  }
  c.reply.transferred = delivered;
}

}  // namespace

void Read10(SimDriveCommand& c) {
  const std::int64_t lba = static_cast<std::int32_t>(Be32(c.cdb + 2));
  ReadSelection selection;
  selection.layout = c.state.blockLength == 2352 ? Layout::Raw : Layout::UserData;
  ReadBlocks(c, lba, Be16(c.cdb + 7), selection);
}

namespace {
void ReadCdCommon(SimDriveCommand& c, std::int64_t lba, std::int64_t blocks) {
  ReadSelection selection;
  selection.layout = Layout::CdFields;
  selection.expectedType = (c.cdb[1] >> 2) & 0x07;
  selection.flags = c.cdb[9];
  if (selection.expectedType >= 6 || (c.cdb[10] & 0x07) != 0 || !FieldsServed(selection.flags)) {
    c.Fail(scsi::key::kIllegalRequest,
           scsi::asc::kInvalidFieldInCdb);  // reserved type, sub-channel data, or fields not served
    return;
  }
  ReadBlocks(c, lba, blocks, selection);
}
}  // namespace

void ReadCd(SimDriveCommand& c) {
  const std::int64_t lba = static_cast<std::int32_t>(Be32(c.cdb + 2));
  ReadCdCommon(c, lba, Be24(c.cdb + 6));
}

void ReadCdMsf(SimDriveCommand& c) {
  const std::uint8_t* m = c.cdb;
  if (m[4] >= 60 || m[5] >= 75 || m[7] >= 60 || m[8] >= 75) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  const std::int64_t start = (std::int64_t{m[3]} * 60 + m[4]) * 75 + m[5] - 150;
  const std::int64_t end = (std::int64_t{m[6]} * 60 + m[7]) * 75 + m[8] - 150;
  if (end < start) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kInvalidFieldInCdb);
    return;
  }
  ReadCdCommon(c, start, end - start);
}

}  // namespace sim
