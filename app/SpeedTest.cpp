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
#include "report/SpeedTestText.h"
#include "session/DriveSession.h"
#include "session/ReadClock.h"
#include "transport/wnaspi32.h"

using namespace toolkit;

namespace {

// Whatever the read mode.
constexpr DWORD kCommandBufferSize = session::kBlocksPerCommand * session::kRawBlockSize;
constexpr int kMediaCheckSeeks = 3;
constexpr const char* kDriveStoppedText = session::kNotRespondingText;

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

  // 3. Mode, buffers and the request. The session puts the block length in force before the
  // run back when it ends, however it ends. On a boundary the adapter's alignment mask
  // accepts: no command goes through the transit buffer.
  session::DriveSession drive(drive_, *device);
  const CommandBuffer commandBuffer(kCommandBufferSize, CommandBufferAlignment(*device));
  std::vector<BYTE> blockStatus(session::kBlocksPerCommand);
  SenseResult sense{};
  SpeedStats stats{};
  ReadRequest request = session::DriveSession::NewReadRequest(
      *device, start, static_cast<DWORD>(amount), RadioGroup->ItemIndex() != 0,
      commandBuffer.data(), session::kBlocksPerCommand, blockStatus.data(), &sense);
  request.onCommandError = ReadCallback::Bind<TForm1, &TForm1::StopOnErrorCallback>(this);

  // 4.-7. Speed, spin-up, media check.
  PrepareDrive(drive, request, record);

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
  record.mode =
      session::DriveSession::IsRaw(request) ? report::ReadMode::Raw : report::ReadMode::Data;
  if (AbortFlag != 0) {
    lastTest_.aborted = true;
    lastTest_.finished = true;
    record.aborted = true;
    return;
  }

  // 10.-15. The timed read.
  const DWORD elapsed = TimedRead(drive, request, stats, static_cast<DWORD>(amount));

  // 16.-21. The figures, in the record and in the report.
  const RunFigures f =
      ComputeRunFigures(request.blocksDone, request.blockSize, elapsed, stats.kbPerSpeedUnit);
  record.figures = FiguresOf(f, stats);
  record.aborted = AbortFlag != 0;
  ReportFigures(record, f.speed);

  lastTest_.timedRead = true;
  lastTest_.aborted = AbortFlag != 0;
  lastTest_.errorCount = stats.errorCount;
  lastTest_.blocksDone = request.blocksDone;
  lastTest_.elapsedMs = elapsed;
  lastTest_.finished = true;
  // 22. The buffers go with their owners, on every path; the drive gets its block length back.
}

void TForm1::PrepareDrive(session::DriveSession& drive, ReadRequest& request,
                          report::SpeedTestRecord& record) {
  DeviceEntry& device = drive.Device();
  SenseResult& sense = *request.sense;

  // 4. The drive's maximum speed.
  Report("Set CD Speed", kReportGreen);
  drive.SetReadSpeed(session::kMaximumSpeed, &sense, session::SpeedRepeat::Always);

  // 5. Spin-up: five short reads, switching to raw reading when the blocks hold no data.
  Report("Spinning Up Drive", kReportGreen);
  const BYTE spinStatus = drive.SpinUp(request, session::kSpinUpBlocks, [this] {
    RadioGroup->SetItemIndex(1);
    Report("Trying RAW mode, these blocks don't seem to contain Data", kReportNavy);
  });

  // 6. Still no readable mode after the last pass.
  if (spinStatus != SS_COMP && session::DriveSession::IllegalMode(sense)) {
    AbortFlag = 1;
    if (record.abortReason.empty())
      record.abortReason = "Illegal Mode for this track " + AspiVCL::SenseText(sense);
    ReportBold("Aborting due to Illegal Mode for this track " + AspiVCL::SenseText(sense),
               kReportRed);
  }

  // 7. Media check.
  BYTE seekStatus = SS_COMP;
  for (int i = 0; i < kMediaCheckSeeks; ++i) seekStatus = drive.Seek(request.startLba, &sense);
  if (seekStatus != SS_COMP && session::DriveSession::NoMedium(sense)) {
    AbortFlag = 1;
    if (record.abortReason.empty())
      record.abortReason = "No Media Present " + AspiVCL::SenseText(sense);
    ReportBold("Aborting due to No Media Present " + AspiVCL::SenseText(sense), kReportRed);
  }

  // A drive that stopped answering during set-up: the run ends here.
  if (drive_.StoppedResponding(device)) {
    AbortFlag = 1;
    ReportBold(kDriveStoppedText, kReportRed);
    ReportBold("Results should be ignored !", kReportRed);
  }
}

DWORD TForm1::TimedRead(session::DriveSession& drive, ReadRequest& request, SpeedStats& stats,
                        DWORD blocks) {
  // 10. The timed read.
  ReportBold("Starting test ...", kReportGreen);
  Timer->SetEnabled(false);
  Application->ProcessMessages();
  request.user = &stats;
  stats.Prepare(request.blockSize);

  // 11. Timer resolution.
  session::MultimediaTimer timer;

  // 12. Positioning, outside the timed interval.
  drive.Seek(request.startLba, request.sense);

  // 13.-15. The read, timed.
  stats.Start(session::MultimediaTimer::Now());
  request.blockCount = blocks;
  activeRead_ = &request;
  drive_.ReadBlocks(&request);
  activeRead_ = nullptr;
  DWORD elapsed = session::MultimediaTimer::Now() - stats.startTime;
  timer.End();
  if (elapsed == 0) elapsed = 1;
  Timer->SetEnabled(true);
  // A drive that stopped answering ended the read as an abort does.
  if (drive_.StoppedResponding(drive.Device())) ReportBold(kDriveStoppedText, kReportRed);
  return elapsed;
}

report::SpeedFigures TForm1::FiguresOf(const RunFigures& f, const SpeedStats& stats) const {
  report::SpeedFigures figures;
  figures.seconds = f.seconds;
  figures.kilobytes = f.kilobytes;
  figures.averageKBps = f.average;
  figures.kbPerX = stats.kbPerSpeedUnit;
  figures.averageX = f.speed;
  // The highest speeds are computed only with the display on.
  if (!CheckBox->Checked()) {
    if (stats.highestSpeed > 0) figures.highestX = stats.highestSpeed;
    figures.burstX = stats.highestBurst;
  }
  figures.failedCommands = stats.errorCount;
  return figures;
}

void TForm1::ReportFigures(const report::SpeedTestRecord& record, double speed) {
  // 16. The figures; 17.-19. the average; 20. done; 21. the highest speeds, when they were
  // computed. The lines are the record's, worded as the text writer words them.
  bool averageShown = false;
  for (const report::FigureLine& line : report::SpeedTestFigures(record)) {
    if (line.kind != report::FigureLine::Figure && !averageShown) {
      StateDisplayPanel->SetCaption("Average");
      Velmark->SetCaption(FixedTwo(speed) + " x");
      averageShown = true;
    }
    switch (line.kind) {
      case report::FigureLine::Figure:
        Report(line.text, kReportGreen);
        break;
      case report::FigureLine::Warning:
        ReportBold(line.text, kReportRed);
        break;
      case report::FigureLine::Speed:
        ReportBold(line.text, kReportNavy);
        if (line.text.rfind("Average", 0) == 0) StatusBar->SetSimpleText("Test Done");
        break;
    }
  }
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
