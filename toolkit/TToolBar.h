// A tool bar along the top; its children keep the positions they are given.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TToolBar : public TControl {
 public:
  explicit TToolBar(TComponent* owner);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int height);
  const char* ClassName() const override { return "TToolBar"; }

 private:
  int buttonHeight_ = 22;
};

}  // namespace toolkit
