// The audio check's preparation and its reads: the drive's claims, the disc's audio, the
// range, and single timed READ CD commands.
#include "scan/AudioCheck.h"

#include <algorithm>
#include <cstdio>

#include "scan/CdGeometry.h"
#include "scsi/Names.h"
#include "scsi/ReadCdFlags.h"
#include "transport/wnaspi32.h"

namespace scan {
namespace {

constexpr WORD kTocLength = 4 + 100 * 8;  // header and up to 99 tracks and the lead-out
constexpr DWORD kAudioClaimBytes = 6;     // page 2Ah up to byte 5: CD-DA and C2 pointers

std::int64_t TocLba(const BYTE* p) {
  return static_cast<std::int32_t>(DWORD{p[0]} << 24 | DWORD{p[1]} << 16 | DWORD{p[2]} << 8 | p[3]);
}

struct TocTrack {
  std::int64_t start = 0;
  bool audio = false;
};

// The tracks and the lead-out (last) of a READ TOC format 0 reply of `length` bytes: only
// descriptors that lie wholly inside both the reply and its own length field.
std::vector<TocTrack> ParseToc(const BYTE* reply, std::size_t length) {
  std::vector<TocTrack> tracks;
  if (length < 4) return tracks;
  const std::size_t end =
      std::min<std::size_t>(length, (std::size_t{reply[0]} << 8 | reply[1]) + 2);
  for (std::size_t at = 4; at + 8 <= end; at += 8)
    tracks.push_back({TocLba(reply + at + 4), (reply[at + 1] & 0x04) == 0});
  return tracks;
}

}  // namespace

AudioCheck::AudioCheck(FileMMCSeq& drive, DeviceEntry& device, AudioCheckSettings settings,
                       std::function<void(const std::string&)> note)
    : drive_(drive),
      device_(device),
      settings_(settings),
      note_(std::move(note)),
      session_(drive, device),
      buffer_(kAudioCommandBlocks * scsi::C2SectorBytes(scsi::C2Field::BlockErrorAndBits)) {}

void AudioCheck::Note(const std::string& text) {
  if (note_) note_(text);
}

std::string AudioCheck::SenseText() const {
  char text[80];
  const scsi::Sense sense = SenseOf(sense_);
  const char* name = scsi::SenseName(sense);
  std::snprintf(text, sizeof text, "%02X/%02X/%02X%s%s", sense.key, sense.asc, sense.ascq,
                name ? " " : "", name ? name : "");
  return text;
}

void AudioCheck::Refused(report::AudioCheckRecord& record, const std::string& command) {
  record.notes.push_back(command + " refused: " + SenseText());
  Note(record.notes.back());
}

bool AudioCheck::Run(report::AudioCheckRecord& record) {
  const std::uint64_t began = session::Microseconds();
  const bool prepared = Prepare(record);
  if (prepared) {
    Cache(record);
    Fua(record);
    CacheDefeats(record);
    Repeatability(record);
    Stream(record);
    Overreading(record);
    Offset(record);
  } else {
    Note(*record.refused);
  }
  session_.Restore();
  record.virtualSeconds = static_cast<double>(session::Microseconds() - began) / 1e6;
  return prepared;
}

bool AudioCheck::Prepare(report::AudioCheckRecord& record) {
  Claims(record);
  if (!FindRange(record)) return false;
  record.start = start_;
  record.blocks = blocks_;
  sense_ = SenseResult{};
  if (session_.SetReadSpeed(session::kMaximumSpeed, &sense_, session::SpeedRepeat::WhenTaken) !=
      SS_COMP)
    Refused(record, "SET CD SPEED");
  // One sector first: a drive that reads no CD-DA says so here, whatever its page claims.
  sense_ = SenseResult{};
  if (drive_.ReadCD(device_, kCddaSectorType, static_cast<LONG>(start_), 1,
                    scsi::kReadCdWholeSector, 0, buffer_.data(), scsi::kCdSectorBytes,
                    &sense_) != SS_COMP) {
    record.refused =
        "the drive does not read the audio sectors: READ CD refused with " + SenseText();
    return false;
  }
  return true;
}

void AudioCheck::Claims(report::AudioCheckRecord& record) {
  BYTE reply[kModeReplySize] = {};
  BYTE layout = kModeLayoutNone;
  sense_ = SenseResult{};
  if (drive_.ModeSenseAuto(device_, kPageCapabilities, kModeReplySize, reply, &sense_, layout) ==
      SS_COMP) {
    bool match = false;
    const BYTE* page =
        InitMMCSeq::FindModePage(reply, kModeReplySize, layout, kPageCapabilities, match);
    if (page != nullptr && match && page + kAudioClaimBytes <= reply + kModeReplySize &&
        page[1] + 2u >= kAudioClaimBytes) {
      record.cddaClaimed = (page[5] & 0x01) != 0;
      record.c2.claimedByPage = (page[5] & 0x10) != 0;
      record.stream.claimed = (page[5] & 0x02) != 0;
      return;
    }
  }
  record.notes.push_back("the capabilities page (MODE SENSE 2Ah) was not read: " + SenseText());
  record.cddaClaimed = true;  // unknown: the reads will tell
}

bool AudioCheck::FindRange(report::AudioCheckRecord& record) {
  if (!record.cddaClaimed) {
    record.refused = "the drive does not read CD-DA (page 2Ah byte 5 bit 0 is clear)";
    return false;
  }
  std::vector<BYTE> toc(kTocLength);
  sense_ = SenseResult{};
  if (drive_.ReadToc(device_, 0, 1, 0, toc.data(), kTocLength, &sense_) != SS_COMP) {
    record.refused = "the table of contents was not read: READ TOC refused with " + SenseText();
    return false;
  }
  const std::vector<TocTrack> tracks = ParseToc(toc.data(), toc.size());
  if (!tracks.empty()) {
    record.leadOut = tracks.back().start;
    firstTrack_ = tracks.front().start;
  }
  // Runs of audio tracks: [start, end) each; the lead-out is the last descriptor.
  std::vector<std::pair<std::int64_t, std::int64_t>> runs;
  for (std::size_t i = 0; i + 1 < tracks.size(); ++i) {
    if (!tracks[i].audio) continue;
    const std::int64_t end = tracks[i + 1].start;
    if (!runs.empty() && runs.back().second == tracks[i].start)
      runs.back().second = end;
    else if (end > tracks[i].start)
      runs.emplace_back(tracks[i].start, end);
  }
  if (runs.empty()) {
    record.refused = "the disc holds no audio tracks (a data disc): there is nothing to extract";
    return false;
  }
  const auto& first = runs.front();
  start_ = settings_.start.value_or(
      first.first + std::min(kAudioDefaultOffset, (first.second - first.first) / 2));
  const auto run = std::find_if(runs.begin(), runs.end(), [this](const auto& r) {
    return start_ >= r.first && start_ < r.second;
  });
  if (run == runs.end()) {
    record.refused = "block " + std::to_string(start_) + " is not on an audio track";
    return false;
  }
  audioStart_ = run->first;
  audioEnd_ = run->second;
  blocks_ = std::min(settings_.blocks.value_or(kAudioDefaultBlocks), audioEnd_ - start_);
  if (blocks_ < kAudioCommandBlocks) {
    record.refused = "the range needs at least " + std::to_string(kAudioCommandBlocks) +
                     " audio blocks from " + std::to_string(start_);
    return false;
  }
  if (settings_.blocks && blocks_ < *settings_.blocks)
    record.notes.push_back("the range is shortened to " + std::to_string(blocks_) +
                           " blocks: the audio ends at " + std::to_string(audioEnd_));
  // The far read: the end of the audio farther from the range.
  far_ = audioEnd_ - start_ > start_ - audioStart_
             ? std::max(audioStart_, audioEnd_ - kAudioCommandBlocks - 75)
             : audioStart_;
  return true;
}

bool AudioCheck::Read(std::int64_t lba, std::int64_t blocks) {
  for (std::int64_t at = lba; at < lba + blocks; at += kAudioCommandBlocks) {
    if (!TimedRead(at, std::min(kAudioCommandBlocks, lba + blocks - at))) return false;
  }
  return true;
}

std::optional<double> AudioCheck::TimedRead(std::int64_t lba, std::int64_t blocks) {
  sense_ = SenseResult{};
  const std::uint64_t begin = session::Microseconds();
  const BYTE status = drive_.ReadCD(device_, kCddaSectorType, static_cast<LONG>(lba),
                                    static_cast<DWORD>(blocks), scsi::kReadCdWholeSector, 0,
                                    buffer_.data(), static_cast<DWORD>(blocks * 2352), &sense_);
  const std::uint64_t end = session::Microseconds();
  if (status != SS_COMP) return std::nullopt;
  return static_cast<double>(end - begin);
}

std::optional<report::RereadTime> AudioCheck::Reread() {
  const std::optional<double> micros = TimedRead(start_, kAudioCommandBlocks);
  if (!micros) return std::nullopt;
  return report::RereadTime{*micros, *micros >= rotationMicros_};
}

bool AudioCheck::EmptyCache() {
  return TimedRead(far_, kAudioCommandBlocks).has_value();
}

}  // namespace scan
