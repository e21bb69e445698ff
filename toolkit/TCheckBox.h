// A check box. A change of Checked (program or user) raises OnClick.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TComponent* owner);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // The user's click toggles the box.
  void Click() override;
  const char* ClassName() const override { return "TCheckBox"; }

 private:
  bool checked_ = false;
};

}  // namespace toolkit
