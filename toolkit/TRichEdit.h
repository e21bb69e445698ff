// A read-only rich-text report: a list of lines, each with its own colour and style set.
// Text is inserted with the insertion attributes (SelAttributes); DefAttributes is the
// control's default character format. EM_SCROLLCARET brings the caret (after the newest
// line) into view.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Control.h"

namespace toolkit {

struct TTextAttributes {
  TColor Color = clWindowText;
  TFontStyles Style;
  std::string Name = "MS Sans Serif";
  int Height = -11;
  void Assign(const TTextAttributes& other) { *this = other; }
  bool operator==(const TTextAttributes&) const = default;
};

struct TRichLine {
  std::string Text;
  TTextAttributes Attributes;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TRichEdit;

// The report's line list.
class TRichEditLines {
 public:
  explicit TRichEditLines(TRichEdit& owner) : owner_(owner) {}
  // Appends text as new last line(s) (a line break inside starts another line), with the
  // insertion attributes; the caret moves behind it.
  void Add(const std::string& text);
  void Clear();
  int Count() const;
  const std::string& operator[](int index) const;  // out of range: the empty text
  const std::string& Strings(int index) const { return (*this)[index]; }

 private:
  TRichEdit& owner_;
};

class TRichEdit : public TControl {
 public:
  explicit TRichEdit(TComponent* owner);

  TRichEditLines& Lines() { return lines_; }
  const TRichEditLines& Lines() const { return lines_; }
  TTextAttributes& SelAttributes() { return selAttributes_; }
  TTextAttributes& DefAttributes() { return defAttributes_; }
  const TTextAttributes& DefAttributes() const { return defAttributes_; }
  // Removes all text; the insertion attributes become the default ones.
  void Clear();

  // The report keeps its newest kMaxLines lines: beyond that the oldest go, kDropLines at a
  // time, so that a run of any length holds bounded memory. Line indexes count from the
  // oldest line kept; LinesDropped() says how many went before it since the last Clear.
  static constexpr int kMaxLines = 10000;
  static constexpr int kDropLines = 1000;
  int LinesDropped() const { return dropped_; }

  int LineCount() const { return static_cast<int>(rich_.size()); }
  const TRichLine& Line(int index) const;  // out of range: an empty line
  const std::vector<TRichLine>& RichLines() const { return rich_; }
  // The line the caret stands on (the newest line after an append; 0 when empty).
  int CaretLine() const { return caretLine_; }

  // The view: the first line shown and how many lines fit.
  int TopLine() const { return topLine_; }
  int VisibleLineCount() const;
  bool LineInView(int index) const;
  // Pixel height of one line (the view sets the real value from its font).
  int LineHeight() const { return lineHeight_; }
  void SetLineHeight(int pixels);
  // Scrolls so that `index` is the first line shown (bounded by the line count).
  void SetTopLine(int index);

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle bars);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wrap);

  // EM_SCROLLCARET: scroll the caret line into view.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam) override;
  const char* ClassName() const override { return "TRichEdit"; }

 protected:
  void FontChanged() override;

 private:
  friend class TRichEditLines;
  void Append(const std::string& text);
  void ScrollCaret();
  TRichEditLines lines_;
  std::vector<TRichLine> rich_;
  TTextAttributes selAttributes_;
  TTextAttributes defAttributes_;
  int caretLine_ = 0;
  int topLine_ = 0;
  int dropped_ = 0;
  int lineHeight_ = 13;
  bool readOnly_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
};

}  // namespace toolkit
