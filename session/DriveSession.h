// The drive session: one drive of the drive-access object as every measurement uses it —
// whether it is ready, the disc's recorded area and medium, the read speed, the spin-up
// with the fall-back to raw reading, read requests, and the drive put back as it was found.
// The speed test, the scan and the windows call these named steps; each sends exactly the
// commands it says, so a caller keeps its own command sequence.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "drive/DriveAsFound.h"
#include "drive/FileMMCSeq.h"
#include "drive/ReadRequest.h"
#include "scsi/DiscStructure.h"
#include "scsi/Profiles.h"

namespace session {

inline constexpr WORD kMaximumSpeed = 0xFFFF;  // SET CD SPEED: the drive's maximum
inline constexpr DWORD kSpinUpBlocks = 10;     // each spin-up read
inline constexpr int kSpinUpPasses = 5;
inline constexpr DWORD kBlocksPerCommand = 27;  // the timed reads' command size
inline constexpr DWORD kDataBlockSize = 2048;
inline constexpr DWORD kRawBlockSize = 2352;

// What a TEST UNIT READY says about the drive.
enum class Readiness { Ready, NoDisc, BecomingReady, NotResponding, Failed };

// The texts the window shows for a drive that is not ready.
inline constexpr char kNoDiscText[] = "No CD Present";
inline constexpr char kBecomingReadyText[] = "In Progress of becoming ready";
inline constexpr char kNotRespondingText[] = "Drive stopped responding";

// The disc's medium, as the drive's current profile names it. A drive that reads no DVD,
// or refuses GET CONFIGURATION, holds a CD: its profile is not reported.
struct Medium {
  std::string name = "CD";
  scsi::MediumFamily family = scsi::MediumFamily::CD;
  std::optional<std::uint16_t> profile;  // the current profile, as the drive reported it
  std::optional<int> layers = 1;  // a CD's 1, a DVD's from its physical format, a BD's unread
  scsi::TrackPath trackPath = scsi::TrackPath::Parallel;
  std::optional<std::int64_t> layerBreak;  // the first LBA of layer 1
};

// GET CONFIGURATION's allocation: the feature header and the start of the profile list.
inline constexpr WORD kConfigurationLength = 32;

// Whether SET CD SPEED's second request follows a refused first one.
enum class SpeedRepeat { Always, WhenTaken };

class DriveSession {
 public:
  DriveSession(FileMMCSeq& drive, DeviceEntry& device)
      : drive_(drive), device_(device), asFound_(drive, device) {}
  DriveSession(const DriveSession&) = delete;
  DriveSession& operator=(const DriveSession&) = delete;

  FileMMCSeq& Drive() const { return drive_; }
  DeviceEntry& Device() const { return device_; }

  // One TEST UNIT READY, classified; its sense lands in `sense`, its status in `status`.
  Readiness CheckReady(SenseResult* sense, BYTE* status = nullptr);

  // The recorded area: where the lead-out starts, from the table of contents.
  BYTE ReadLeadOut(std::int64_t& leadOut, SenseResult* sense);

  // The disc's medium: GET CONFIGURATION (current features from the profile list) on a drive
  // whose capabilities page says it reads DVDs — no command at all to a CD-only drive — and,
  // on a DVD, READ DISC STRUCTURE's physical format for the layers. A refusal of either
  // leaves what is known (a CD; a DVD of unknown layers) and is told through `sense`.
  const Medium& ReadMedium(SenseResult* sense);
  // The medium ReadMedium found (a CD before).
  const Medium& CurrentMedium() const { return medium_; }

  // The recorded area's length in blocks: a CD's from its table of contents (the lead-out),
  // a DVD's or BD's from READ CAPACITY (the last block plus one).
  BYTE ReadRecordedBlocks(std::int64_t& blocks, SenseResult* sense);

  // SET CD SPEED with `readKBps` (kB/s; kMaximumSpeed for the drive's maximum) and the
  // maximum write speed, sent twice, as drives may need it repeated.
  BYTE SetReadSpeed(WORD readKBps, SenseResult* sense, SpeedRepeat repeat);

  // Whether the drive takes SET STREAMING for the disc it holds: GET CONFIGURATION of the
  // one feature 0107h (real-time streaming), reported current. A refusal (some drives
  // answer no starting feature but 0) is a no.
  bool StreamsInRealTime(SenseResult* sense);
  // SET STREAMING: `kiloBytesPerSecond` read (and written) over the disc, LBA 0 to `lastLba`.
  BYTE SetStreamingSpeed(std::uint32_t kiloBytesPerSecond, std::uint32_t lastLba,
                         SenseResult* sense);

  // Spin-up: kSpinUpPasses reads of `blocks` blocks at the request's start, each after a
  // seek there and the block length of its mode. A READ(10) refused with ILLEGAL MODE FOR
  // THIS TRACK switches the request to raw reading and tells `onRaw`. The last read's status.
  BYTE SpinUp(ReadRequest& request, DWORD blocks, const std::function<void()>& onRaw);

  // SEEK(10) to `lba`, so that positioning stays outside a timed read.
  BYTE Seek(LONG lba, SenseResult* sense);

  // The block length for reads that take it from the drive (READ(10), READ(12)); what was in
  // force before the session's first change goes back with Restore.
  WORD SetBlockLength(WORD wanted, SenseResult* sense) {
    return asFound_.SetBlockLength(wanted, sense);
  }

  // Page 01h's read retry count set to `wanted` where the drive lets it change; it goes back
  // with Restore. The count in force, or nothing (with `why`) when the page is not there.
  std::optional<int> SetReadRetryCount(BYTE wanted, SenseResult* sense, std::string& why) {
    return asFound_.SetReadRetryCount(wanted, sense, why);
  }

  // The drive as it was found: the block length the spin-up changed and the read retry count
  // go back (also done when the session ends).
  void Restore() { asFound_.Restore(); }

  // A read of [start, start + blocks) in 2048-byte data blocks with READ(10), or raw
  // 2352-byte sectors with READ CD; every command lands in `commandBuffer`.
  static ReadRequest NewReadRequest(DeviceEntry& device, LONG start, DWORD blocks, bool raw,
                                    BYTE* commandBuffer, DWORD blocksPerCommand, BYTE* blockStatus,
                                    SenseResult* sense);
  static void SwitchToRaw(ReadRequest& request);
  static bool IsRaw(const ReadRequest& request) { return request.readMode != kReadModeRead10; }

  // Sense checks by name.
  static bool IllegalMode(const SenseResult& sense);
  static bool NoMedium(const SenseResult& sense);
  static bool NotReady(const SenseResult& sense);

 private:
  FileMMCSeq& drive_;
  DeviceEntry& device_;
  DriveAsFound asFound_;
  Medium medium_;
};

}  // namespace session
