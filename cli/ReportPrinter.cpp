#include "cli/ReportPrinter.h"

#include "app/SpeedStats.h"
#include "app/TForm1.h"

using namespace toolkit;

namespace {

// The nearest of the terminal's eight colours for a report colour (0x00BBGGRR).
int AnsiColour(TColor colour) {
  const TColor rgb = ColorToRGB(colour);
  const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  const int bits = (r >= 0x60 ? 1 : 0) | (g >= 0x60 ? 2 : 0) | (b >= 0x60 ? 4 : 0);
  return 30 + bits;  // 30 black, 31 red, 32 green, 33 yellow, 34 blue, ...
}

}  // namespace

ReportPrinter::ReportPrinter(TForm1& form, std::FILE* out, std::FILE* err, bool colour,
                             bool liveProgress)
    : form_(form), out_(out), err_(err), colour_(colour), liveProgress_(liveProgress) {
  printed_ = form_.RichEdit->LinesDropped() + form_.RichEdit->LineCount();
  form_.SetObserver(this);
}

ReportPrinter::~ReportPrinter() {
  if (attached_) form_.SetObserver(nullptr);
}

std::string ReportPrinter::Format(const TRichLine& line, bool colour) {
  if (!colour) return line.Text;
  std::string codes;
  if (line.Attributes.Style.Contains(fsBold)) codes += "1";
  if (line.Attributes.Style.Contains(fsItalic)) codes += codes.empty() ? "3" : ";3";
  if (line.Attributes.Style.Contains(fsUnderline)) codes += codes.empty() ? "4" : ";4";
  if (line.Attributes.Style.Contains(fsStrikeOut)) codes += codes.empty() ? "9" : ";9";
  if (line.Attributes.Color != clWindowText && line.Attributes.Color != clBlack) {
    if (!codes.empty()) codes += ";";
    codes += std::to_string(AnsiColour(line.Attributes.Color));
  }
  if (codes.empty()) return line.Text;
  return "\033[" + codes + "m" + line.Text + "\033[0m";
}

void ReportPrinter::ControlChanged(TControl& control, TChange change) {
  if (&control == form_.RichEdit && change == TChange::Lines) PrintNewLines();
}

void ReportPrinter::ControlDestroyed(TControl& control) {
  if (&control == &form_) attached_ = false;
}

void ReportPrinter::PrintNewLines() {
  // Lines are counted from the report's start: the report keeps only its newest lines, and
  // each is printed as it comes, so none is missed.
  const TRichEdit& rich = *form_.RichEdit;
  const long long dropped = rich.LinesDropped();
  const long long total = dropped + rich.LineCount();
  if (total < printed_) printed_ = 0;  // the report was cleared: a new one starts
  if (total == printed_) return;
  ClearProgress();
  if (printed_ < dropped) printed_ = dropped;  // gone before they could be printed
  for (; printed_ < total; ++printed_)
    std::fprintf(out_, "%s\n",
                 Format(rich.Line(static_cast<int>(printed_ - dropped)), colour_).c_str());
  std::fflush(out_);
  if (form_.ActiveRead() == nullptr) progress_.clear();
  if (liveProgress_ && !progress_.empty()) ShowProgress(progress_);
}

void ReportPrinter::ShowProgress(const std::string& text) {
  progress_ = text;
  if (!liveProgress_) return;
  std::fprintf(err_, "\r\033[K%s", text.c_str());
  std::fflush(err_);
  progressShown_ = !text.empty();
}

void ReportPrinter::ClearProgress() {
  if (!liveProgress_ || !progressShown_) return;
  std::fprintf(err_, "\r\033[K");
  std::fflush(err_);
  progressShown_ = false;
}

void ReportPrinter::Print(std::FILE* stream, const std::string& text) {
  ClearProgress();
  std::fprintf(stream, "%s\n", text.c_str());
  std::fflush(stream);
  if (form_.ActiveRead() == nullptr) progress_.clear();
  if (liveProgress_ && !progress_.empty()) ShowProgress(progress_);
}

void ReportPrinter::Line(const std::string& text) {
  Print(out_, text);
}

void ReportPrinter::Note(const std::string& text) {
  if (!quiet_) Print(err_, text);
}

void ReportPrinter::Error(const std::string& text) {
  Print(err_, text);
}

void ReportPrinter::Tick() {
  const ReadRequest* read = form_.ActiveRead();
  if (read == nullptr || read->user == nullptr) {
    // The read is over: its line goes.
    ClearProgress();
    progress_.clear();
    return;
  }
  if (!liveProgress_) return;
  if (!gate_.Due(std::chrono::steady_clock::now())) return;
  const auto* stats = static_cast<const SpeedStats*>(read->user);
  // The window computes a current speed only with its display on.
  std::string speed = form_.Velmark->Caption();
  if (form_.StateDisplayPanel->Caption() != "Current" || speed == "x") speed.clear();
  ShowProgress(
      ProgressText(read->blocksDone, read->blockCount, timeGetTime() - stats->startTime, speed));
}

void ReportPrinter::Finish() {
  ClearProgress();
  progress_.clear();
  if (form_.StatusBar->SimpleText() == "Test Done") Line("Test Done");
}
