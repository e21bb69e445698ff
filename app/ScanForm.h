// The scan window: a drive, a range and a read mode; Start reads the transfer-rate curve
// (and, when ticked, the access and spin-up times) on a thread of its own and draws the
// curve as the samples arrive, so drawing never holds up a measurement. Abort asks the scan
// to stop (after the current sample, the current access trial, or while the spin-up waits):
// the window says "Aborting ..." until the scan has stopped and "Aborted" after it. The
// strategy and the other figures are listed beside the graph; Save writes the result as a
// picture (.png, .svg), CSV or JSON, chosen in a save dialog; Open shows a saved JSON scan.
//
// Every drive operation goes through the drive-access object the window is given; while a
// scan runs only the scan's thread uses it (the window asks the drive nothing meanwhile).
//
// A ticked Surface scan reads every block of the range after the curve: its progress is in
// the status bar, its counts in the figures and, at its end, its speeds with the marked
// blocks in the graph.
//
// Audio check runs the audio extraction check on the chosen drive, on the scan's thread, and
// shows its report where the graph is (a disc without audio: why it did not run). The check
// cannot be stopped half-way: Abort stays disabled while it runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "report/DriveRecord.h"
#include "report/ScanRecord.h"
#include "report/plot/CurveGraph.h"
#include "scan/DiscScan.h"
#include "scan/ScanSteps.h"
#include "toolkit/Toolkit.h"

class TScanForm : public toolkit::TForm {
 public:
  TScanForm(toolkit::TComponent* owner, AspiVCL& driveAccess);
  ~TScanForm() override;

  // --- controls (owned by the window) ---
  toolkit::TPanel* TopPanel;
  toolkit::TLabel* DriveLabel;
  toolkit::TComboBox* DriveList;
  toolkit::TLabel* DiscLabel;
  toolkit::TLabel* StartLabel;
  toolkit::TEdit* StartEdit;
  toolkit::TLabel* BlocksLabel;
  toolkit::TEdit* BlocksEdit;
  toolkit::TRadioGroup* ModeGroup;
  // The steps run after the curve, one check box each (see CreateStepChecks).
  toolkit::TCheckBox* AccessCheck;
  toolkit::TCheckBox* SpinUpCheck;
  std::vector<toolkit::TCheckBox*> StepChecks;  // made from the scan's step table
  // The surface scan after the curve: under the figures, where the top row has no room.
  toolkit::TCheckBox* SurfaceCheck;
  // The audio extraction check of the chosen drive; its report takes the graph's place.
  toolkit::TButton* AudioButton;
  toolkit::TRichEdit* ReportEdit;
  toolkit::TButton* StartButton;
  toolkit::TButton* AbortButton;
  toolkit::TButton* OpenButton;
  toolkit::TButton* SaveButton;
  toolkit::TSaveDialog* SaveDialog;
  toolkit::TOpenDialog* OpenDialog;
  toolkit::TPanel* FiguresPanel;
  std::vector<toolkit::TLabel*> FigureLabels;
  toolkit::TGraph* Graph;
  toolkit::TStatusBar* StatusBar;
  // While a scan runs: the time in the status bar, so the window shows it is alive.
  toolkit::TTimer* ProgressTimer;

  // Writes a graph as a picture; returns the empty text or what went wrong. Pictures need
  // Qt, which this window does not use: the program sets it.
  std::function<std::string(const toolkit::TGraphModel&, const std::string&)> SavePicture;

  // --- event handlers ---
  void StartButtonClick(toolkit::TObject* sender);
  void AbortButtonClick(toolkit::TObject* sender);
  void SaveButtonClick(toolkit::TObject* sender);
  void OpenButtonClick(toolkit::TObject* sender);
  void AudioButtonClick(toolkit::TObject* sender);
  void FormClose(toolkit::TObject* sender);
  void FormResize(toolkit::TObject* sender);
  void DriveListChange(toolkit::TObject* sender);
  void ProgressTimerTick(toolkit::TObject* sender);

  // --- for the program and tests ---
  enum class State { Idle, Scanning, Aborting };
  State ScanState() const { return state_; }
  bool Scanning() const { return state_ != State::Idle; }
  const report::ScanRecord& Record() const { return record_; }
  // The figures shown beside the graph.
  std::vector<std::string> FigureTexts() const;
  // Samples the scan's thread had read when Abort was clicked (any thread may read it).
  std::size_t SamplesReadAtAbort() const { return samplesAtAbort_; }
  // Host milliseconds from the Abort click to the scan's end (the last aborted scan).
  DWORD AbortLatencyMs() const { return abortLatencyMs_; }
  // Stops a running scan and waits for its thread (the window's closing does it too).
  void StopScan();

  static constexpr int kFigureLines = 16;
  static constexpr int kMinClientWidth = 760;
  static constexpr int kMinClientHeight = 420;

 private:
  // What the scan's thread hands back when it ends.
  struct Outcome {
    report::ScanRecord record;
    std::string notReady;  // the drive was not ready: why
    std::string mounted;   // the disc is mounted: the note
    double seconds = 0;
  };
  void CreateControls();
  void CreateStepChecks();
  void LayoutControls();
  void SetState(State state);
  void UpdateButtons();
  // The chosen drive's disc: its length beside the list and as the graph's range.
  void ShowDisc();
  void Status(const std::string& text);
  void ShowFigures();
  // The curve as far as it is read (the scan's range, the samples so far) or the result.
  void ShowCurve(const report::CurveResult& curve, bool finished);
  void Sample(const report::ScanSample& sample, std::size_t index, std::size_t total, bool raw);
  void RangeKnown(std::int64_t leadOut, const session::Medium& medium, std::int64_t start,
                  std::int64_t blocks, bool raw);
  void Finished(Outcome& outcome);
  // The graph in its place again, the audio check's report hidden.
  void ShowGraph();
  void RunAudioCheck(DeviceEntry& device);
  void AudioFinished(const std::string& report, const std::string& notReady,
                     const std::string& refused, double seconds);
  // The scan, on its own thread: everything it learns is posted to the window.
  void RunScan(DeviceEntry& device, const scan::ScanSettings& settings,
               const std::vector<scan::StepId>& asked);
  // Runs `action` on the window's thread if the window still exists then.
  void PostToWindow(std::function<void()> action);
  std::string SaveText(const std::string& path, std::string& error) const;
  void Identify(const DeviceEntry& device);
  std::string AskedMode() const;

  AspiVCL& drive_;
  report::ScanRecord record_;
  // Which drive and disc the result is of: for the files and for the graph's title.
  report::DriveRecord driveRecord_;
  report::DiscRecord disc_;
  report::plot::PlotHead plotHead_;
  std::chrono::system_clock::time_point when_;
  report::CurveResult live_;
  std::string askedMode_;  // the mode the shown result was asked in ("": not known)
  State state_ = State::Idle;
  bool audioRunning_ = false;  // the running work is the audio check
  DWORD began_ = 0;
  DWORD abortClicked_ = 0;
  DWORD abortLatencyMs_ = 0;
  std::string lastProgress_;
  std::vector<scan::StepId> stepOfCheck_;  // the step of each of StepChecks
  // Shared with the scan's thread.
  std::atomic<bool> abort_{false};
  std::atomic<std::size_t> samplesRead_{0};
  std::atomic<std::size_t> samplesAtAbort_{0};
  // Posts of the scan's thread hold it weakly: they do nothing once the window is gone.
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  toolkit::TWorkerThread worker_;
};
