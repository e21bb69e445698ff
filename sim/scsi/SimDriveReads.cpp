// The reads of the simulated drive: READ(10) at the block length in force, READ CD and
// READ CD MSF with the sector fields they select, C2 error information as the drive's audio
// model delivers it. A read is checked as a whole first
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
  bool cdda = true;               // audio sectors are served at all
  std::uint8_t c2 = 0;            // byte 9 bits 2-1: 0 none, 1 the bits, 2 block error and bits
};

constexpr std::uint32_t kC2BitsBytes = 294;
constexpr std::uint32_t kLongestBlock = kRawSectorBytes + kC2BitsBytes + 2;

std::uint32_t C2Bytes(std::uint8_t c2) {
  return c2 == 1 ? kC2BitsBytes : c2 == 2 ? kC2BitsBytes + 2 : 0;
}

// Bytes of one block of `kind` under `selection`; nullopt when the drive refuses the block
// (illegal mode for the track).
std::optional<std::uint32_t> BlockBytes(const ReadSelection& selection, TrackKind kind) {
  switch (selection.layout) {
    case Layout::UserData:
      if (kind == TrackKind::Audio) return std::nullopt;
      return 2048;
    case Layout::Raw:
      if (kind == TrackKind::Audio && !selection.cdda) return std::nullopt;
      return 2352;
    case Layout::CdFields:
      break;
  }
  const std::uint8_t t = selection.expectedType;
  if ((t == 1 && kind != TrackKind::Audio) || (t == 2 && kind != TrackKind::Data) || t >= 3)
    return std::nullopt;  // CD-DA / Mode 1 asked on the other kind; Mode 2 is not on the disc
  if (kind == TrackKind::Audio && !selection.cdda) return std::nullopt;
  const std::uint8_t f = selection.flags;
  const std::uint32_t c2 = C2Bytes(selection.c2);
  if (kind == TrackKind::Audio) return ((f & 0x10) ? 2352 : 0) + c2;
  return ((f & 0x80) ? 12 : 0) + ((f & 0x20) ? 4 : 0) + ((f & 0x10) ? 2048 : 0) +
         ((f & 0x08) ? 288 : 0) + c2;
}

// Whether the drive serves the field selection of READ CD byte 9 at all: C2 error
// information only when it claims C2 pointers, and never the reserved 11b.
bool FieldsServed(std::uint8_t f, bool claimsC2) {
  const bool sync = f & 0x80, user = f & 0x10, edc = f & 0x08;
  const std::uint8_t headers = (f >> 5) & 0x03;  // 0 none, 1 header, 2 sub-header, 3 all
  const std::uint8_t c2 = (f >> 1) & 0x03;
  if (c2 == 3 || (c2 != 0 && !claimsC2)) return false;
  if (headers == 2) return false;  // Mode 1 has no sub-header
  if (sync && headers == 0) return false;
  if (edc && !user) return false;
  return true;
}

// The C2 error information of block `lba` after its `damagedRead`-th read from the disc
// (0: not damaged), as the drive's model delivers it, into `out` (C2Bytes long).
void WriteC2(std::int32_t lba, int damagedRead, const AudioExtraction& audio, std::uint8_t c2,
             std::uint8_t* out) {
  std::uint8_t* bits = c2 == 2 ? out + 2 : out;
  std::memset(out, 0, C2Bytes(c2));
  if (audio.c2 != C2Pointers::Missing && damagedRead > 0) {
    const DamagedBytes d = DamageOf(lba, damagedRead);
    for (const std::uint32_t p : d.position) bits[p / 8] |= std::uint8_t(0x80 >> (p % 8));
  }
  if (audio.FalseAlarmAt(lba)) bits[0] |= 0xF0;  // four good bytes flagged
  if (c2 == 2) {
    for (std::uint32_t i = 0; i < kC2BitsBytes; ++i) out[0] |= bits[i];
  }
}

// The 2352 bytes of audio a drive delivers for block `lba` when its reads are shifted by
// `shift` samples: pieces of the neighbouring blocks, silence outside [0, leadOut).
void ShiftedAudio(std::int32_t lba, std::int32_t shift, std::int32_t leadOut, std::uint8_t* out) {
  if (shift == 0 && lba >= 0 && lba < leadOut) {
    SectorData::AudioSamples(lba, out);
    return;
  }
  const std::int64_t sector = static_cast<std::int64_t>(kRawSectorBytes);
  std::int64_t from = std::int64_t{lba} * sector + std::int64_t{shift} * 4;
  std::uint8_t samples[kRawSectorBytes];
  for (std::int64_t done = 0; done < sector;) {
    const std::int64_t block = from >= 0 ? from / sector : -((-from + sector - 1) / sector);
    const std::int64_t at = from - block * sector;
    const std::int64_t length = std::min(sector - at, sector - done);
    if (block >= 0 && block < leadOut) {
      SectorData::AudioSamples(static_cast<std::int32_t>(block), samples);
      std::memcpy(out + done, samples + at, static_cast<std::size_t>(length));
    } else {
      std::memset(out + done, 0, static_cast<std::size_t>(length));
    }
    done += length;
    from += length;
  }
}

// Writes block `lba` of `kind` as selected into `out` (`bytes` long, C2 information
// included); a damaged audio sector as its `damagedRead`-th read from the disc gave it,
// audio shifted by `shift` samples out of a disc ending at `leadOut`.
void WriteBlock(std::int32_t lba, TrackKind kind, const ReadSelection& selection,
                std::uint32_t bytes, int damagedRead, const AudioExtraction& audio,
                std::int32_t shift, std::int32_t leadOut, std::uint8_t* out) {
  const std::uint32_t c2 = selection.layout == Layout::CdFields ? C2Bytes(selection.c2) : 0;
  if (c2) WriteC2(lba, damagedRead, audio, selection.c2, out + bytes - c2);
  bytes -= c2;
  if (kind == TrackKind::Audio) {
    if (!bytes) return;
    ShiftedAudio(lba, shift, leadOut, out);
    if (damagedRead > 0) {
      const DamagedBytes d = DamageOf(lba, damagedRead);
      for (int k = 0; k < DamagedBytes::kCount; ++k) out[d.position[k]] ^= d.mask[k];
    }
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

// A read that reaches before the first block or past the last: refused, except READ CD of
// audio on a drive that reads into the lead-in or lead-out (silence, its audio shifted as
// every read) or stalls there (no answer).
void ReadBeyondDisc(SimDriveCommand& c, std::int64_t lba, std::int64_t blocks,
                    const ReadSelection& selection) {
  const Disc& disc = *c.state.disc;
  const AudioExtraction& audio = c.config.audio;
  const std::int64_t leadOut = disc.LeadOut();
  const bool audioEdge =
      selection.layout == Layout::CdFields && !disc.Tracks().empty() &&
      (lba < 0 ? disc.KindAt(0) : disc.KindAt(static_cast<std::int32_t>(leadOut - 1))) ==
          TrackKind::Audio;
  const Overread model = lba < 0 ? audio.leadIn : audio.leadOut;
  const bool within = lba >= -kOverreadBlocks && lba + blocks <= leadOut + kOverreadBlocks;
  if (!audioEdge || !within || model == Overread::Refused) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kLbaOutOfRange);
    return;
  }
  if (model == Overread::Stalls) {
    c.reply.responded = false;
    c.serviceMicros = static_cast<double>(DriveFaults::kHangMicros);
    return;
  }
  const std::optional<std::uint32_t> bytes = BlockBytes(selection, TrackKind::Audio);
  if (!bytes) {
    c.Fail(scsi::key::kIllegalRequest, scsi::asc::kIllegalModeForThisTrack);
    return;
  }
  const std::int32_t first = static_cast<std::int32_t>(lba);
  const std::int32_t shift = audio.ShiftAt(first);
  std::uint32_t delivered = 0;
  if (c.out && *bytes) {
    std::uint8_t block[kLongestBlock];
    for (std::int32_t b = first; b < first + blocks; ++b) {
      WriteBlock(b, TrackKind::Audio, selection, *bytes, 0, audio, shift,
                 static_cast<std::int32_t>(leadOut), block);
      const std::uint32_t take = std::min(*bytes, c.outCapacity - delivered);
      std::memcpy(c.out + delivered, block, take);
      delivered += take;
      if (delivered == c.outCapacity) break;
    }
  }
  c.serviceMicros += static_cast<double>(blocks) * 1000.0;  // about a block's time at 40x
  c.reply.status = scsi::status::kGood;
  c.reply.transferred = delivered;
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
    ReadBeyondDisc(c, lba, blocks, selection);
    return;
  }
  const std::int32_t first = static_cast<std::int32_t>(lba);
  const std::int32_t end = static_cast<std::int32_t>(lba + blocks);
  const std::int32_t shift = c.config.audio.ShiftAt(first);

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
  std::int32_t discStart = first;                     // blocks before it come from the cache
  if (passed > first && !c.model.Timing().zeroLatency) {
    c.serviceMicros = s.head.Read(SpeedsOf(s, c.model), first, passed,
                                  static_cast<double>(c.request.nowMicros), blockBytes);
    discStart = s.head.LastDiscStart();
  }
  const AudioExtraction& audio = c.config.audio;
  // Each read of a damaged sector from the disc gives other samples; the cache repeats the
  // last (a sector read ahead into the cache was read once).
  auto damagedRead = [&](std::int32_t b) {
    if (disc.KindAt(b) != TrackKind::Audio || !audio.Damaged(b)) return 0;
    int& reads = s.damagedReads[b];
    if (b >= discStart || reads == 0) ++reads;
    return reads;
  };
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
    std::uint8_t partial[kLongestBlock];
    for (std::int32_t b = first; b < stop; ++b) {
      const std::uint64_t offset = std::uint64_t(b - first) * blockBytes;
      const int read = damagedRead(b);
      if (offset >= room) continue;
      const TrackKind kind = disc.KindAt(b);
      if (offset + blockBytes <= room) {
        WriteBlock(b, kind, selection, blockBytes, read, audio, shift, disc.LeadOut(),
                   c.out + offset);
      } else {  // the last block only partly fits the transfer area
        WriteBlock(b, kind, selection, blockBytes, read, audio, shift, disc.LeadOut(), partial);
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
  selection.cdda = c.config.audio.cdda;
  ReadBlocks(c, lba, Be16(c.cdb + 7), selection);
}

// READ(12): as READ(10) with a 32-bit count. A drive whose firmware does not read audio
// with it refuses audio sectors (05/64/00); FUA (byte 1, 08h) empties the cache first on a
// drive that honours it.
void Read12(SimDriveCommand& c) {
  const std::int64_t lba = static_cast<std::int32_t>(Be32(c.cdb + 2));
  const AudioExtraction& audio = c.config.audio;
  ReadSelection selection;
  selection.layout = c.state.blockLength == 2352 ? Layout::Raw : Layout::UserData;
  selection.cdda = audio.cdda && audio.read12OnAudio;
  if ((c.cdb[1] & 0x08) != 0 && audio.fuaHonoured) c.state.head.DropCache();
  ReadBlocks(c, lba, Be32(c.cdb + 6), selection);
}

namespace {
void ReadCdCommon(SimDriveCommand& c, std::int64_t lba, std::int64_t blocks) {
  ReadSelection selection;
  selection.layout = Layout::CdFields;
  selection.expectedType = (c.cdb[1] >> 2) & 0x07;
  selection.flags = c.cdb[9];
  selection.cdda = c.config.audio.cdda;
  selection.c2 = (c.cdb[9] >> 1) & 0x03;
  if (selection.expectedType >= 6 || (c.cdb[10] & 0x07) != 0 ||
      !FieldsServed(selection.flags, c.config.audio.ClaimsC2())) {
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
