// A drop-down list. Choosing a row by program (SetItemIndex) raises no event; a row the
// user picks (UserSelect / PostSelect) raises OnChange.
#pragma once

#include "toolkit/Control.h"
#include "toolkit/Strings.h"

namespace toolkit {

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TControl {
 public:
  explicit TComboBox(TComponent* owner);
  TStrings& Items() { return items_; }
  const TStrings& Items() const { return items_; }
  // -1: no row chosen. Out-of-range values choose none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  TNotifyEvent OnChange;
  // The user picks row `index` (ignored out of range or when the control is unreachable).
  void UserSelect(int index);
  void PostSelect(int index);
  const char* ClassName() const override { return "TComboBox"; }

 private:
  void ItemsChanged();
  TStrings items_;
  int itemIndex_ = -1;
  TComboBoxStyle style_ = csDropDown;
  int itemHeight_ = 13;
};

}  // namespace toolkit
