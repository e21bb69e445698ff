// The audio check's repeatability and C2 error pointers: the range read several times, the
// cache emptied before each read, every sector's samples compared between the reads and set
// beside the C2 bits the drive delivered with them.
#include <algorithm>
#include <cstring>

#include "scan/AudioCheck.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

constexpr std::size_t kDifferingListed = 16;  // LBAs of differing sectors kept for the report
constexpr WORD kFeatureReplyLength = 16;      // the header and one 8-byte feature descriptor
constexpr WORD kCdReadFeature = 0x001E;
constexpr std::int64_t kLargestTransfer = 65536;  // bytes one command carries on every path

// FNV-1a over one sector's samples: equal sectors hash equal, and two reads of a sector
// that differ anywhere hash differently but for a chance of 2^-64.
std::uint64_t SampleHash(const BYTE* samples) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < scsi::kCdSectorBytes; ++i) h = (h ^ samples[i]) * 1099511628211ull;
  return h;
}

struct SectorReads {
  std::uint64_t firstHash = 0;
  bool read = false;     // in every read so far
  bool differs = false;  // a later read gave other samples than the first
  bool flagged = false;  // C2 flagged it in some read
  bool blockErrorDisagrees = false;
};

}  // namespace

void AudioCheck::Repeatability(report::AudioCheckRecord& record) {
  report::C2Finding& c2 = record.c2;
  report::RepeatabilityFinding& rep = record.repeatability;

  // What the drive claims in feature 001Eh (CD Read), when it lists it.
  BYTE feature[kFeatureReplyLength] = {};
  sense_ = SenseResult{};
  if (drive_.GetConfiguration(device_, kOneFeature, kCdReadFeature, feature, sizeof feature,
                              &sense_) == SS_COMP &&
      (DWORD{feature[0]} << 24 | DWORD{feature[1]} << 16 | DWORD{feature[2]} << 8 | feature[3]) >=
          12 &&
      feature[8] == 0x00 && feature[9] == kCdReadFeature)
    c2.claimedByFeature = (feature[12] & 0x02) != 0;

  // Which C2 fields the drive accepts, on one sector each.
  const auto accepted = [this](scsi::C2Field field, std::string& refusal) {
    sense_ = SenseResult{};
    const bool ok = drive_.ReadCDC2(device_, kCddaSectorType, static_cast<LONG>(start_), 1, field,
                                    buffer_.data(), scsi::C2SectorBytes(field), &sense_) == SS_COMP;
    if (!ok) refusal = SenseText();
    return ok;
  };
  c2.bitsAccepted = accepted(scsi::C2Field::Bits, c2.bitsSense);
  c2.blockErrorAccepted = accepted(scsi::C2Field::BlockErrorAndBits, c2.blockErrorSense);
  std::optional<scsi::C2Field> field;
  if (c2.blockErrorAccepted)
    field = scsi::C2Field::BlockErrorAndBits;
  else if (c2.bitsAccepted)
    field = scsi::C2Field::Bits;
  const std::uint32_t sectorBytes = field ? scsi::C2SectorBytes(*field) : scsi::kCdSectorBytes;
  // 27 sectors with their C2 information exceed the 64 KB a pass-through command carries.
  const std::int64_t perCommand =
      std::min<std::int64_t>(kAudioCommandBlocks, kLargestTransfer / sectorBytes);

  std::vector<SectorReads> sectors(static_cast<std::size_t>(blocks_));
  for (SectorReads& s : sectors) s.read = true;
  rep.cacheDefeat = "a read far away before each read";
  for (int pass = 0; pass < settings_.reads; ++pass) {
    if (!EmptyCache()) {
      rep.note = "the read far away failed: " + SenseText();
      return;
    }
    for (std::int64_t at = 0; at < blocks_; at += perCommand) {
      const std::int64_t count = std::min(perCommand, blocks_ - at);
      const LONG lba = static_cast<LONG>(start_ + at);
      const DWORD length = static_cast<DWORD>(count) * sectorBytes;
      std::fill_n(buffer_.begin(), length, BYTE{0});
      sense_ = SenseResult{};
      const BYTE status =
          field ? drive_.ReadCDC2(device_, kCddaSectorType, lba, static_cast<DWORD>(count), *field,
                                  buffer_.data(), length, &sense_)
                : drive_.ReadCD(device_, kCddaSectorType, lba, static_cast<DWORD>(count), 0xF8, 0,
                                buffer_.data(), length, &sense_);
      if (status != SS_COMP) {
        record.notes.push_back("READ CD of " + std::to_string(count) + " blocks at " +
                               std::to_string(lba) + " refused: " + SenseText() +
                               "; its sectors are left out");
        Note(record.notes.back());
        for (std::int64_t i = at; i < at + count; ++i) sectors[i].read = false;
        continue;
      }
      for (std::int64_t i = 0; i < count; ++i) {
        SectorReads& s = sectors[static_cast<std::size_t>(at + i)];
        const BYTE* sector = buffer_.data() + i * sectorBytes;
        const std::uint64_t hash = SampleHash(sector);
        if (pass == 0)
          s.firstHash = hash;
        else if (hash != s.firstHash)
          s.differs = true;
        if (!field) continue;
        const auto parsed = scsi::ParseReadCdC2(sector, sectorBytes, 1, *field);
        if (parsed.empty()) continue;
        s.flagged = s.flagged || parsed[0].Flagged();
        if (*field == scsi::C2Field::BlockErrorAndBits &&
            (parsed[0].blockError != 0) != (parsed[0].flaggedBytes != 0))
          s.blockErrorDisagrees = true;
      }
    }
    ++rep.reads;
  }

  c2.counted = field.has_value() && rep.reads > 1;
  for (std::size_t i = 0; i < sectors.size(); ++i) {
    const SectorReads& s = sectors[i];
    if (!s.read) continue;
    ++rep.sectors;
    if (s.differs) {
      ++rep.differing;
      if (rep.differingLbas.size() < kDifferingListed)
        rep.differingLbas.push_back(start_ + static_cast<std::int64_t>(i));
      if (s.flagged && field)
        ++rep.differingFlagged;
      else
        ++rep.differingUnflagged;
    }
    if (!c2.counted) continue;
    if (s.flagged) ++c2.flaggedSectors;
    if (s.differs && !s.flagged) ++c2.missedErrors;
    if (!s.differs && s.flagged) ++c2.falseAlarms;
    if (s.blockErrorDisagrees) ++c2.blockErrorDisagreements;
  }
  if (rep.reads < 2) rep.note = "fewer than two reads: nothing to compare";
}

}  // namespace scan
