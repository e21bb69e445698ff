#include "toolkit/TRichEdit.h"

#include <algorithm>

namespace toolkit {

void TRichEditLines::Add(const std::string& text) {
  owner_.Append(text);
}
void TRichEditLines::Clear() {
  owner_.Clear();
}
int TRichEditLines::Count() const {
  return owner_.LineCount();
}
const std::string& TRichEditLines::operator[](int index) const {
  return owner_.Line(index).Text;
}

TRichEdit::TRichEdit(TComponent* owner) : TControl(owner), lines_(*this) {
  SetDefaultColor(clWindow);
  SetDefaultTabStop(true);
  SetBounds(0, 0, 185, 89);
  FontChanged();
  selAttributes_ = defAttributes_;
}

void TRichEdit::FontChanged() {
  const TFont& f = Font();
  defAttributes_.Name = f.Name;
  defAttributes_.Height = f.Height;
  defAttributes_.Color = f.Color;
  defAttributes_.Style = f.Style;
  if (rich_.empty()) selAttributes_ = defAttributes_;
}

void TRichEdit::Clear() {
  rich_.clear();
  dropped_ = 0;
  caretLine_ = 0;
  topLine_ = 0;
  selAttributes_ = defAttributes_;
  Changed(TChange::Lines);
}

void TRichEdit::Append(const std::string& text) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    rich_.push_back(TRichLine{std::move(line), selAttributes_});
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (LineCount() > kMaxLines) {
    const int drop = LineCount() - kMaxLines + kDropLines;
    rich_.erase(rich_.begin(), rich_.begin() + drop);
    dropped_ += drop;
    topLine_ = std::max(0, topLine_ - drop);
  }
  caretLine_ = LineCount() - 1;
  Changed(TChange::Lines);
}

const TRichLine& TRichEdit::Line(int index) const {
  static const TRichLine kEmpty;
  if (index < 0 || index >= LineCount()) return kEmpty;
  return rich_[static_cast<std::size_t>(index)];
}

int TRichEdit::VisibleLineCount() const {
  // Two pixels of border on each side.
  return std::max(1, (ClientHeight() - 4) / std::max(1, lineHeight_));
}

bool TRichEdit::LineInView(int index) const {
  return index >= topLine_ && index < topLine_ + VisibleLineCount() && index < LineCount();
}

void TRichEdit::SetLineHeight(int pixels) {
  lineHeight_ = std::max(1, pixels);
}

void TRichEdit::SetTopLine(int index) {
  topLine_ = std::clamp(index, 0, std::max(0, LineCount() - 1));
}

void TRichEdit::ScrollCaret() {
  const int visible = VisibleLineCount();
  if (caretLine_ < topLine_) {
    topLine_ = caretLine_;
  } else if (caretLine_ >= topLine_ + visible) {
    topLine_ = caretLine_ - visible + 1;
  }
  Changed(TChange::ScrollCaret);
}

void TRichEdit::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  Changed(TChange::Style);
}

void TRichEdit::SetScrollBars(TScrollStyle bars) {
  if (bars == scrollBars_) return;
  scrollBars_ = bars;
  Changed(TChange::Style);
}

void TRichEdit::SetWordWrap(bool wrap) {
  if (wrap == wordWrap_) return;
  wordWrap_ = wrap;
  Changed(TChange::Style);
}

LRESULT TRichEdit::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == EM_SCROLLCARET) {
    ScrollCaret();
    return 0;
  }
  return TControl::Perform(msg, wParam, lParam);
}

}  // namespace toolkit
