// A top-level window. Width and Height are the outer size; the client area lies inside a
// 4-pixel frame and a 19-pixel caption bar. Closing the main form ends the message loop.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TMessageLoop;

enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

class TForm : public TControl {
 public:
  static constexpr int kFrameWidth = 4;
  static constexpr int kCaptionHeight = 19;

  explicit TForm(TComponent* owner);
  ~TForm() override;

  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientSize(int width, int height);
  // The smallest client area the user can size the window to (0: no limit); a smaller
  // client size set by program is raised to it.
  int MinClientWidth() const { return minClientWidth_; }
  int MinClientHeight() const { return minClientHeight_; }
  void SetMinClientSize(int width, int height);
  // Raised after the client area changed its size (the aligned children placed already).
  TNotifyEvent OnResize;

  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }
  bool Scaled() const { return scaled_; }
  void SetScaled(bool scaled) { scaled_ = scaled; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  const TIcon& Icon() const { return icon_; }
  void SetIcon(const TIcon& icon);

  // Show: make the window visible (the backend draws it). Close: OnClose, then hide; for
  // the application's main form the message loop ends.
  void Show();
  void Close();
  bool Closed() const { return closed_; }
  TNotifyEvent OnClose;
  TNotifyEvent OnShow;

  const char* ClassName() const override { return "TForm"; }

 protected:
  void Resized() override;

 private:
  int minClientWidth_ = 0;
  int minClientHeight_ = 0;
  TPosition position_ = poDesigned;
  int pixelsPerInch_ = kPixelsPerInch;
  bool scaled_ = true;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TIcon icon_;
  bool closed_ = false;
  TMessageLoop* application_ = nullptr;
};

}  // namespace toolkit
