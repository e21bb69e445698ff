// Follows the window's report from the command line: every report line is printed on the
// report stream as it is written (with its colour and bold on a terminal), and so are the
// lines that describe the test (drive, capacity, "Test Done"). While the timed read runs, a
// progress line is kept on the error stream of a terminal; notes for the user go there too.
#pragma once

#include <cstdio>
#include <string>

#include "cli/ProgressLine.h"
#include "toolkit/Control.h"
#include "toolkit/TRichEdit.h"

class TForm1;

class ReportPrinter : public toolkit::TControlObserver {
 public:
  // `colour`: escape sequences for colour and bold. `liveProgress`: the progress line is
  // drawn in place on `err` (a terminal); otherwise no progress is shown.
  ReportPrinter(TForm1& form, std::FILE* out, std::FILE* err, bool colour, bool liveProgress);
  ~ReportPrinter() override;

  void ControlChanged(toolkit::TControl& control, toolkit::TChange change) override;
  void ControlDestroyed(toolkit::TControl& control) override;

  // Ends the progress line, and prints "Test Done" when the status bar says so.
  void Finish();
  // A line that describes the test, on the report stream.
  void Line(const std::string& text);
  // A message for the user on the error stream, outside the progress line; none when quiet.
  void Note(const std::string& text);
  // An error, on the error stream, also when quiet.
  void Error(const std::string& text);
  // From now on only errors go to the error stream.
  void Quiet() { quiet_ = true; }
  // Redraws the progress line of a running timed read, at most four times a second.
  void Tick();

  // One report line as printed: with escape sequences when `colour`.
  static std::string Format(const toolkit::TRichLine& line, bool colour);

 private:
  void PrintNewLines();
  void ShowProgress(const std::string& text);
  void ClearProgress();
  void Print(std::FILE* stream, const std::string& text);

  TForm1& form_;
  std::FILE* out_;
  std::FILE* err_;
  bool colour_;
  bool liveProgress_;
  long long printed_ = 0;  // report lines printed so far, counted from the report's start
  std::string progress_;
  bool progressShown_ = false;
  RedrawGate gate_{std::chrono::milliseconds(250)};
  bool attached_ = true;
  bool quiet_ = false;
};
