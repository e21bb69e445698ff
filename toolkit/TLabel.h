// A static text. With AutoSize the view sizes it to its text.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  const char* ClassName() const override { return "TLabel"; }

 private:
  bool autoSize_ = true;
};

}  // namespace toolkit
