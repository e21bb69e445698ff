// A push button. The caption may mark an access key with '&' ("&Start").
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TButton : public TControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
};

}  // namespace toolkit
