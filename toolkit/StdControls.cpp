// The simple control kinds: edit, label, panel, buttons, check box, status bar, tool bar.
#include "toolkit/TButton.h"
#include "toolkit/TCheckBox.h"
#include "toolkit/TEdit.h"
#include "toolkit/TLabel.h"
#include "toolkit/TPanel.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TToolBar.h"

namespace toolkit {

TEdit::TEdit(TComponent* owner) : TControl(owner) {
  SetDefaultColor(clWindow);
  SetDefaultTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  Changed(TChange::Style);
}

void TEdit::TextChanged() {
  if (OnChange) OnChange(this);
}

void TEdit::UserSetText(const std::string& text) {
  if (!CanFocusInput() || readOnly_) return;
  SetText(text);
}

void TEdit::PostText(const std::string& text) {
  PostUserAction([this, text] { UserSetText(text); });
}

void TEdit::PostTyping(const std::string& keys) {
  for (char key : keys) {
    PostUserAction([this, key] {
      std::string text = Text();
      if (key == '\b') {
        if (text.empty()) return;
        text.pop_back();
      } else {
        text += key;
      }
      UserSetText(text);
    });
  }
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  SetParentColor(true);
  SetBounds(0, 0, 32, 13);
}

void TLabel::SetAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  Changed(TChange::Style);
}

TPanel::TPanel(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Changed(TChange::Style);
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevelInner_) return;
  bevelInner_ = bevel;
  Changed(TChange::Style);
}

TButton::TButton(TComponent* owner) : TControl(owner) {
  SetDefaultTabStop(true);
  SetBounds(0, 0, 75, 25);
}

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
  glyph_ = glyph;
  Changed(TChange::Glyph);
}

void TSpeedButton::SetFlat(bool flat) {
  if (flat == flat_) return;
  flat_ = flat;
  Changed(TChange::Style);
}

TCheckBox::TCheckBox(TComponent* owner) : TControl(owner) {
  SetDefaultTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed(TChange::Checked);
  if (OnClick) OnClick(this);
}

void TCheckBox::Click() {
  SetChecked(!checked_);
}

TStatusBar::TStatusBar(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 0, 19);
  SetAlign(alBottom);
}

void TStatusBar::SetSimplePanel(bool simple) {
  if (simple == simplePanel_) return;
  simplePanel_ = simple;
  Changed(TChange::Style);
}

void TStatusBar::SetSimpleText(const std::string& text) {
  if (text == simpleText_) return;
  simpleText_ = text;
  Changed(TChange::Text);
}

TToolBar::TToolBar(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 0, 29);
  SetAlign(alTop);
}

void TToolBar::SetButtonHeight(int height) {
  if (height == buttonHeight_) return;
  buttonHeight_ = height;
  Changed(TChange::Style);
}

}  // namespace toolkit
