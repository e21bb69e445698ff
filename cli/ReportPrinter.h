// Follows the window's report and status bar from the command line: every report line is
// printed as it is written (with its colour and bold on a terminal), and the status bar is
// kept as one progress line on the error stream.
#pragma once

#include <cstdio>
#include <string>

#include "toolkit/Control.h"
#include "toolkit/TRichEdit.h"

class TForm1;

class ReportPrinter : public toolkit::TControlObserver {
 public:
  // `colour`: escape sequences for colour and bold. `liveProgress`: the status bar is
  // redrawn in place on `err` (a terminal); otherwise its last text is printed by Finish.
  ReportPrinter(TForm1& form, std::FILE* out, std::FILE* err, bool colour, bool liveProgress);
  ~ReportPrinter() override;

  void ControlChanged(toolkit::TControl& control, toolkit::TChange change) override;
  void ControlDestroyed(toolkit::TControl& control) override;

  // Ends the progress line.
  void Finish();
  // A message for the user on the error stream, outside the progress line.
  void Note(const std::string& text);

  // One report line as printed: with escape sequences when `colour`.
  static std::string Format(const toolkit::TRichLine& line, bool colour);

 private:
  void PrintNewLines();
  void ShowProgress(const std::string& text);
  void ClearProgress();

  TForm1& form_;
  std::FILE* out_;
  std::FILE* err_;
  bool colour_;
  bool liveProgress_;
  long long printed_ = 0;  // report lines printed so far, counted from the report's start
  std::string progress_;
  bool progressShown_ = false;
  bool attached_ = true;
};
