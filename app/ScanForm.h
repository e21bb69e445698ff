// The scan window: a drive, a range and a read mode; Start reads the transfer-rate curve
// (and, when ticked, the access and spin-up times) and draws the curve while it reads;
// Abort stops the curve after the current sample, the access times after the current trial
// and the spin-up while it waits; the strategy and the other figures are listed
// beside the graph; Save writes the result as a picture (.png, .svg), CSV or JSON, chosen
// by the file name's extension. Every drive operation goes through the drive-access
// object the window is given.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "report/DriveRecord.h"
#include "report/ScanRecord.h"
#include "report/plot/CurveGraph.h"
#include "toolkit/Toolkit.h"

namespace scan {
class DiscScan;
}

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
  toolkit::TCheckBox* AccessCheck;
  toolkit::TCheckBox* SpinUpCheck;
  toolkit::TButton* StartButton;
  toolkit::TButton* AbortButton;
  toolkit::TLabel* SaveLabel;
  toolkit::TEdit* SaveEdit;
  toolkit::TButton* SaveButton;
  toolkit::TPanel* FiguresPanel;
  std::vector<toolkit::TLabel*> FigureLabels;
  toolkit::TGraph* Graph;
  toolkit::TStatusBar* StatusBar;

  // Writes a graph as a picture; returns the empty text or what went wrong. Pictures need
  // Qt, which this window does not use: the program sets it.
  std::function<std::string(const toolkit::TGraphModel&, const std::string&)> SavePicture;

  // --- event handlers ---
  void StartButtonClick(toolkit::TObject* sender);
  void AbortButtonClick(toolkit::TObject* sender);
  void SaveButtonClick(toolkit::TObject* sender);
  void FormClose(toolkit::TObject* sender);
  void DriveListChange(toolkit::TObject* sender);

  // --- for the program and tests ---
  const report::ScanRecord& Record() const { return record_; }
  bool Scanning() const { return scanning_; }
  // The figures shown beside the graph.
  std::vector<std::string> FigureTexts() const;

  static constexpr int kFigureLines = 14;

 private:
  void CreateControls();
  void SetScanning(bool scanning);
  // The chosen drive's disc: its length beside the list and as the graph's range.
  void ShowDisc();
  void Status(const std::string& text);
  void ShowFigures();
  // The curve as far as it is read (the scan's range, the samples so far) or the result.
  void ShowCurve(const report::CurveResult& curve, bool finished);
  bool Sample(const report::ScanSample& sample, std::size_t index, std::size_t total);
  std::string SaveText(const std::string& path, std::string& error) const;

  AspiVCL& drive_;
  report::ScanRecord record_;
  // Which drive and disc the result is of: for the files and for the graph's title.
  void Identify(const DeviceEntry& device);
  report::DriveRecord driveRecord_;
  report::DiscRecord disc_;
  report::plot::PlotHead plotHead_;
  std::chrono::system_clock::time_point when_;
  report::CurveResult live_;
  scan::DiscScan* scan_ = nullptr;
  bool scanning_ = false;
  bool abort_ = false;
};
