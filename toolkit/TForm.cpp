#include "toolkit/TForm.h"

#include <algorithm>

#include "toolkit/MessageLoop.h"

namespace toolkit {

TForm::TForm(TComponent* owner) : TControl(owner), application_(CurrentMessageLoop()) {
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  DestroyComponents();
  if (application_ != nullptr) application_->FormDestroyed(*this);
}

int TForm::ClientWidth() const {
  return std::max(0, Width() - 2 * kFrameWidth);
}
int TForm::ClientHeight() const {
  return std::max(0, Height() - 2 * kFrameWidth - kCaptionHeight);
}

void TForm::SetClientSize(int width, int height) {
  width = std::max(width, minClientWidth_);
  height = std::max(height, minClientHeight_);
  SetBounds(Left(), Top(), width + 2 * kFrameWidth, height + 2 * kFrameWidth + kCaptionHeight);
}

void TForm::SetMinClientSize(int width, int height) {
  minClientWidth_ = std::max(0, width);
  minClientHeight_ = std::max(0, height);
  if (ClientWidth() < minClientWidth_ || ClientHeight() < minClientHeight_) {
    SetClientSize(ClientWidth(), ClientHeight());
  } else {
    Changed(TChange::Bounds);  // the views take the new limit
  }
}

void TForm::Resized() {
  if (OnResize) OnResize(this);
}

void TForm::SetPosition(TPosition position) {
  if (position == position_) return;
  position_ = position;
  Changed(TChange::Style);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  Changed(TChange::Style);
}

void TForm::SetIcon(const TIcon& icon) {
  icon_ = icon;
  Changed(TChange::Glyph);
}

void TForm::Show() {
  closed_ = false;
  SetVisible(true);
  if (application_ != nullptr) application_->FormShown(*this);
  if (OnShow) OnShow(this);
}

void TForm::Close() {
  if (closed_) return;
  if (OnClose) OnClose(this);
  closed_ = true;
  SetVisible(false);
  if (application_ != nullptr) application_->FormClosed(*this);
}

}  // namespace toolkit
