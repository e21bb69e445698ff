// A status bar along the bottom; with SimplePanel it shows one text, SimpleText.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TStatusBar : public TControl {
 public:
  explicit TStatusBar(TComponent* owner);
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool simple);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& text);  // reported only when it differs
  const char* ClassName() const override { return "TStatusBar"; }

 private:
  bool simplePanel_ = false;
  std::string simpleText_;
};

}  // namespace toolkit
