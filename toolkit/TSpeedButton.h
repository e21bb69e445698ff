// A flat button that shows an image (its glyph).
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TSpeedButton : public TControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  const TBitmap& Glyph() const { return glyph_; }
  void SetGlyph(const TBitmap& glyph);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  const char* ClassName() const override { return "TSpeedButton"; }

 private:
  TBitmap glyph_;
  bool flat_ = false;
};

}  // namespace toolkit
