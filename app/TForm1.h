// The main window: the drive list, the readiness poll, the range entry, the speed test and
// its report. Every drive operation goes through the drive-access object the window is
// given (the program's one global object).
#pragma once

#include <string>

#include "VelmarkVersion.h"
#include "app/AspiVCL.h"
#include "app/SpeedStats.h"
#include "drive/ReadRequest.h"
#include "platform/win32.h"
#include "report/SpeedTestRecord.h"
#include "toolkit/Toolkit.h"

namespace session {
class DriveSession;
}

// Report colours, 0x00BBGGRR.
inline constexpr DWORD kReportNavy = 0x800000;
inline constexpr DWORD kReportGreen = 0x008000;
inline constexpr DWORD kReportRed = 0x0000FF;
inline constexpr DWORD kReportBold = 0;  // style code

// The identification record written at every start.
inline constexpr const char* kRegistryKey = "Software\\Tessaly\\Velmark";
inline constexpr const char* kVersionText = kVelmarkVersion;
inline constexpr const char* kWebAddress = "https://tessaly.example/velmark";
inline constexpr const char* kContactAddress = "support@tessaly.example";

class TForm1 : public toolkit::TForm {
 public:
  TForm1(toolkit::TComponent* owner, AspiVCL& driveAccess);
  ~TForm1() override;

  // --- controls (owned by the window) ---
  toolkit::TStatusBar* StatusBar;
  toolkit::TPanel* MainPanel;
  toolkit::TToolBar* ToolBar1;
  toolkit::TComboBox* ComboBox;
  toolkit::TSpeedButton* HelpButton;
  toolkit::TPanel* MainInMainPanel;
  toolkit::TLabel* CDSize;
  toolkit::TLabel* Label1;
  toolkit::TEdit* Edit1;
  toolkit::TSpeedButton* StartAdjustButton;
  toolkit::TLabel* StartAddressMSF;
  toolkit::TLabel* Label2;
  toolkit::TEdit* Edit2;
  toolkit::TSpeedButton* BlockAdjustButton;
  toolkit::TLabel* BlocksMSF;
  toolkit::TRadioGroup* RadioGroup;
  toolkit::TButton* StartButton;
  toolkit::TButton* AbortButton;
  toolkit::TPanel* StateDisplayPanel;
  toolkit::TPanel* Velmark;
  toolkit::TCheckBox* CheckBox;
  toolkit::TPanel* Panel1;
  toolkit::TRichEdit* RichEdit;
  toolkit::TTimer* Timer;

  // --- the window's own fields ---
  BYTE AbortFlag = 0;         // 1: stop the running test
  LONG RecordedCapacity = 0;  // lead-out of the disc in the selected drive, in blocks
  BYTE CapacityShown = 0;     // 1 once the present disc's capacity has been read

  // --- event handlers ---
  void TimerTimer(toolkit::TObject* sender);
  void ComboBoxChange(toolkit::TObject* sender);
  void AbortButtonClick(toolkit::TObject* sender);
  void HelpButtonClick(toolkit::TObject* sender);
  void SpeedButton2Click(toolkit::TObject* sender);
  void Edit1Change(toolkit::TObject* sender);
  void Edit2Change(toolkit::TObject* sender);
  void StartAdjustButtonClick(toolkit::TObject* sender);
  void BlockAdjustButtonClick(toolkit::TObject* sender);

  // --- range entry ---
  void ShowCDCapacity(DeviceEntry& device);
  void UpdateAdjustButtons();

  // --- read loop callbacks (return the stop request) ---
  BYTE StopOnErrorCallback(ReadCallbackInfo& info);
  BYTE ReadErrorCallback(ReadCallbackInfo& info);
  BYTE ReadProgressCallback(ReadCallbackInfo& info);
  BYTE QuietProgressCallback(ReadCallbackInfo& info);

  // --- for front ends and tests ---
  // How the last speed test ended.
  struct TestOutcome {
    bool started = false;    // a run got past the field conversion
    bool timedRead = false;  // it reached the timed read
    bool aborted = false;    // AbortFlag was set at its end
    bool finished = false;   // it ran to its end (a report, or the abort at set-up)
    LONG errorCount = 0;     // commands reported failed
    DWORD blocksDone = 0;
    DWORD elapsedMs = 0;
  };
  const TestOutcome& LastTest() const { return lastTest_; }
  // The result record of the last speed test, filled as it ran.
  const report::SpeedTestRecord& LastRecord() const { return lastRecord_; }
  bool TestRunning() const { return testRunning_; }
  // The timed read while it runs (its blocksDone grows command by command), else null.
  const ReadRequest* ActiveRead() const { return activeRead_; }
  // The entry of the selected row, or null when no valid row is selected.
  DeviceEntry* SelectedDevice();
  AspiVCL& DriveAccess() { return drive_; }

  // Shown in CDSize when the drive list is empty.
  static constexpr const char* kNoDriveText = "No CD-ROM drive found";

 private:
  void CreateControls();
  void WriteRegistryRecord();
  // The speed test's steps 4 to 7 on the drive session, and its figure lines.
  void PrepareDrive(session::DriveSession& drive, ReadRequest& request,
                    report::SpeedTestRecord& record);
  // Steps 10 to 15: the timed read of `blocks` blocks; the elapsed milliseconds.
  DWORD TimedRead(session::DriveSession& drive, ReadRequest& request, SpeedStats& stats,
                  DWORD blocks);
  report::SpeedFigures FiguresOf(const RunFigures& figures, const SpeedStats& stats) const;
  void ReportFigures(const report::SpeedTestRecord& record, double speed);
  void Report(const std::string& text, DWORD colour);      // plain, coloured
  void ReportBold(const std::string& text, DWORD colour);  // coloured and bold

  AspiVCL& drive_;
  bool testRunning_ = false;
  const ReadRequest* activeRead_ = nullptr;
  std::string readStatusText_;  // "Read (lba, blocks)": its storage is kept between commands
  TestOutcome lastTest_;
  report::SpeedTestRecord lastRecord_;
};

// The main window, once the application has created it.
extern TForm1* Form1;
