// The speed test of the main window: drive preparation, spin-up with the raw fall-back,
// the timed read with its callbacks, and the report.
#include <charconv>
#include <string>
#include <vector>

#include "app/DriveRecordOf.h"
#include "app/NumberText.h"
#include "app/SpeedStats.h"
#include "app/TForm1.h"
#include "drive/CommandBuffer.h"
#include "drive/DriveAsFound.h"
#include "transport/wnaspi32.h"

using namespace toolkit;

namespace {

constexpr DWORD kBlocksPerCommand = 27;
constexpr DWORD kCommandBufferSize = kBlocksPerCommand * 2352;  // whatever the read mode
constexpr DWORD kSpinUpBlocks = 10;
constexpr int kSpinUpPasses = 5;
constexpr int kMediaCheckSeeks = 3;
constexpr WORD kMaximumSpeed = 0xFFFF;
constexpr char kDriveStoppedText[] = "Drive stopped responding";

bool IllegalMode(const SenseResult& s) {
  return scsi::KeyAndAsc(SenseOf(s), scsi::key::kIllegalRequest,
                         scsi::asc::kIllegalModeForThisTrack);
}
bool NoMedia(const SenseResult& s) {
  return scsi::IsNoMedium(SenseOf(s));
}

std::string Signed(DWORD v) {
  return std::to_string(static_cast<LONG>(v));
}

}  // namespace

void TForm1::SpeedButton2Click(TObject* /*sender*/) {
  // One run at a time: a Start that arrives while a run pumps messages is refused.
  if (testRunning_) return;
  DeviceEntry* device = SelectedDevice();
  if (device == nullptr) return;  // no drive: Start stays disabled, nothing to address
  struct RunningGuard {
    bool& flag;
    explicit RunningGuard(bool& f) : flag(f) { flag = true; }
    ~RunningGuard() { flag = false; }
  } running(testRunning_);

  // 1. Reset, read the range fields.
  AbortFlag = 0;
  Velmark->SetCaption("x");
  lastTest_ = TestOutcome{};
  lastRecord_ = report::SpeedTestRecord{};
  const LONG start = StrToInt(Edit1->Text());
  const LONG amount = StrToInt(Edit2->Text());
  lastTest_.started = true;
  report::SpeedTestRecord& record = lastRecord_;
  record.drive = DriveRecordOf(*device);
  if (CapacityShown != 0) record.disc.capacityBlocks = RecordedCapacity;
  record.start = start;
  record.blocks = amount;

  // 2. The report starts afresh.
  RichEdit->Clear();
  Report("StartAddress : " + std::to_string(static_cast<DWORD>(start)), kReportNavy);
  Report("BlockAmount : " + std::to_string(static_cast<DWORD>(amount)), kReportNavy);
  StatusBar->SetSimpleText("");
  Application->ProcessMessages();

  // 3. Mode, buffers and the request.
  const bool data = RadioGroup->ItemIndex() == 0;
  // On a boundary the adapter's alignment mask accepts: no command goes through the transit
  // buffer.
  const CommandBuffer commandBuffer(kCommandBufferSize, CommandBufferAlignment(*device));
  std::vector<BYTE> blockStatus(kBlocksPerCommand);
  SenseResult sense{};
  SpeedStats stats{};
  // The block length in force before the run goes back when it ends, however it ends.
  DriveAsFound asFound(drive_, *device);
  ReadRequest request{};
  request.device = device;
  request.startLba = start;
  request.blockCount = static_cast<DWORD>(amount);
  request.blocksDone = 0;
  request.rangeBuffer = nullptr;
  request.commandBuffer = commandBuffer.data();
  request.blockSize = data ? 2048 : 2352;
  request.sense = &sense;
  request.readMode = data ? 1 : 0;
  request.sectorType = 0;
  request.readCdFlags = 0xF8;
  request.subChannel = 0;
  request.blocksPerCommand = kBlocksPerCommand;
  request.blockStatus = blockStatus.data();
  request.onCommandError = ReadCallback::Bind<TForm1, &TForm1::StopOnErrorCallback>(this);
  request.onBlockError = ReadCallback();
  request.onProgress = ReadCallback();
  request.user = nullptr;

  // 4. The drive's maximum speed.
  Report("Set CD Speed", kReportGreen);
  drive_.SetSpeed(*device, kMaximumSpeed, kMaximumSpeed, &sense);
  drive_.SetSpeed(*device, kMaximumSpeed, kMaximumSpeed, &sense);

  // 5. Spin-up: five short reads, switching to raw reading when the blocks hold no data.
  Report("Spinning Up Drive", kReportGreen);
  BYTE spinStatus = SS_COMP;
  for (int pass = 0; pass < kSpinUpPasses; ++pass) {
    drive_.Seek10(*device, start, &sense);
    asFound.SetBlockLength(static_cast<WORD>(request.blockSize), &sense);
    request.blockCount = kSpinUpBlocks;
    spinStatus = drive_.ReadBlocks(&request);
    if (spinStatus != SS_COMP && IllegalMode(sense) && request.readMode == 1) {
      request.blockSize = 2352;
      request.readMode = 0;
      RadioGroup->SetItemIndex(1);
      Report("Trying RAW mode, these blocks don't seem to contain Data", kReportNavy);
    }
  }

  // 6. Still no readable mode after the last pass.
  if (spinStatus != SS_COMP && IllegalMode(sense)) {
    AbortFlag = 1;
    if (record.abortReason.empty())
      record.abortReason = "Illegal Mode for this track " + AspiVCL::SenseText(sense);
    ReportBold("Aborting due to Illegal Mode for this track " + AspiVCL::SenseText(sense),
               kReportRed);
  }

  // 7. Media check.
  BYTE seekStatus = SS_COMP;
  for (int i = 0; i < kMediaCheckSeeks; ++i) seekStatus = drive_.Seek10(*device, start, &sense);
  if (seekStatus != SS_COMP && NoMedia(sense)) {
    AbortFlag = 1;
    if (record.abortReason.empty())
      record.abortReason = "No Media Present " + AspiVCL::SenseText(sense);
    ReportBold("Aborting due to No Media Present " + AspiVCL::SenseText(sense), kReportRed);
  }

  // A drive that stopped answering during set-up: the run ends here.
  if (drive_.StoppedResponding(*device)) {
    AbortFlag = 1;
    ReportBold(kDriveStoppedText, kReportRed);
    ReportBold("Results should be ignored !", kReportRed);
  }

  // 8. Display during the read.
  if (CheckBox->Checked()) {
    request.onProgress = ReadCallback::Bind<TForm1, &TForm1::QuietProgressCallback>(this);
    StateDisplayPanel->SetCaption("Processing");
    StatusBar->SetSimpleText("Test in progress");
  } else {
    request.onProgress = ReadCallback::Bind<TForm1, &TForm1::ReadProgressCallback>(this);
    StateDisplayPanel->SetCaption("Current");
  }
  request.onCommandError = ReadCallback::Bind<TForm1, &TForm1::ReadErrorCallback>(this);

  // 9. Aborted during set-up: nothing more is written.
  record.mode = request.readMode == 1 ? report::ReadMode::Data : report::ReadMode::Raw;
  if (AbortFlag != 0) {
    lastTest_.aborted = true;
    lastTest_.finished = true;
    record.aborted = true;
    return;
  }

  // 10. The timed read.
  ReportBold("Starting test ...", kReportGreen);
  Timer->SetEnabled(false);
  Application->ProcessMessages();
  request.user = &stats;
  stats.Prepare(request.blockSize);

  // 11. Timer resolution.
  UINT period = 1;
  if (timeBeginPeriod(1) == TIMERR_NOCANDO) {
    timeBeginPeriod(2);
    period = 2;
  }

  // 12. Positioning, outside the timed interval.
  drive_.Seek10(*device, start, &sense);

  // 13.-15. The read, timed.
  stats.Start(timeGetTime());
  request.blockCount = static_cast<DWORD>(amount);
  activeRead_ = &request;
  drive_.ReadBlocks(&request);
  activeRead_ = nullptr;
  DWORD elapsed = timeGetTime() - stats.startTime;
  timeEndPeriod(period);
  if (elapsed == 0) elapsed = 1;
  Timer->SetEnabled(true);
  // A drive that stopped answering ended the read as an abort does.
  if (drive_.StoppedResponding(*device)) ReportBold(kDriveStoppedText, kReportRed);

  // 16. The figures.
  const RunFigures f =
      ComputeRunFigures(request.blocksDone, request.blockSize, elapsed, stats.kbPerSpeedUnit);
  Report("Seconds : " + FixedTwo(f.seconds), kReportGreen);
  Report("KB Processed : " + std::to_string(TruncateToLong(f.kilobytes)), kReportGreen);
  Report("Average KB/Seconds : " + std::to_string(TruncateToLong(f.average)), kReportGreen);
  Report("Conversion factor : 1x = " + std::to_string(stats.kbPerSpeedUnit) + " KB/sec",
         kReportGreen);

  // 17.-19. The average.
  StateDisplayPanel->SetCaption("Average");
  Velmark->SetCaption(FixedTwo(f.speed) + " x");
  if (stats.errorCount > 0) ReportBold("Errors encountered during test !", kReportRed);
  if (stats.errorCount > 0 || AbortFlag != 0) ReportBold("Results should be ignored !", kReportRed);
  ReportBold("Average Measured Velmark : " + Velmark->Caption(), kReportNavy);

  // 20. Done.
  StatusBar->SetSimpleText("Test Done");

  // 21. The highest speeds, when they were computed.
  if (!CheckBox->Checked()) {
    if (stats.highestSpeed > 0)
      ReportBold("Highest Measured Velmark : " + FixedTwo(stats.highestSpeed) + " x", kReportNavy);
    ReportBold("Highest Measured (single command) BURST : " + FixedTwo(stats.highestBurst) + " x",
               kReportNavy);
  }

  // The record holds what the report shows.
  report::SpeedFigures figures;
  figures.seconds = f.seconds;
  figures.kilobytes = f.kilobytes;
  figures.averageKBps = f.average;
  figures.kbPerX = stats.kbPerSpeedUnit;
  figures.averageX = f.speed;
  if (!CheckBox->Checked()) {
    if (stats.highestSpeed > 0) figures.highestX = stats.highestSpeed;
    figures.burstX = stats.highestBurst;
  }
  figures.failedCommands = stats.errorCount;
  record.figures = figures;
  record.aborted = AbortFlag != 0;

  lastTest_.timedRead = true;
  lastTest_.aborted = AbortFlag != 0;
  lastTest_.errorCount = stats.errorCount;
  lastTest_.blocksDone = request.blocksDone;
  lastTest_.elapsedMs = elapsed;
  lastTest_.finished = true;
  // 22. The buffers go with their owners, on every path.
}

BYTE TForm1::StopOnErrorCallback(ReadCallbackInfo& /*info*/) {
  return 1;
}

BYTE TForm1::ReadErrorCallback(ReadCallbackInfo& info) {
  auto* stats = static_cast<SpeedStats*>(info.request->user);
  if (stats != nullptr) ++stats->errorCount;
  Report("Read (" + std::to_string(info.lba) + ", " + Signed(info.blocks) + ") Failed with " +
             AspiVCL::SenseText(*info.request->sense),
         kReportRed);
  // Counted as done: no third attempt and no block-by-block recovery.
  *info.status = SS_COMP;
  // A drive that has stopped answering ends the read as an abort would.
  if (drive_.StoppedResponding(*info.request->device)) AbortFlag = 1;
  return AbortFlag;
}

BYTE TForm1::ReadProgressCallback(ReadCallbackInfo& info) {
  auto* stats = static_cast<SpeedStats*>(info.request->user);
  if (stats != nullptr) {
    const DWORD per = info.request->blocksPerCommand != 0 ? info.request->blocksPerCommand : 16;
    const SpeedStats::Progress p = stats->OnCommand(timeGetTime(), info.blocks, per);
    if (p.displayed) Velmark->SetCaption(FixedTwo(p.current) + " x");
  }
  Application->ProcessMessages();
  // "Read (lba, blocks)", without streams, temporaries or allocation: this runs after every
  // command.
  char lba[16], blocks[16];
  const char* lbaEnd = std::to_chars(lba, lba + sizeof lba, static_cast<LONG>(info.lba)).ptr;
  const char* blocksEnd =
      std::to_chars(blocks, blocks + sizeof blocks, static_cast<LONG>(info.blocks)).ptr;
  std::string& text = readStatusText_;
  text.clear();
  text.append("Read (", 6)
      .append(lba, static_cast<std::size_t>(lbaEnd - lba))
      .append(", ", 2)
      .append(blocks, static_cast<std::size_t>(blocksEnd - blocks))
      .append(")", 1);
  StatusBar->SetSimpleText(text);
  return AbortFlag;
}

BYTE TForm1::QuietProgressCallback(ReadCallbackInfo& /*info*/) {
  Application->ProcessMessages();
  return AbortFlag;
}
