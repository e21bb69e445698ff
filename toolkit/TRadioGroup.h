// A framed group of radio buttons, one per item, in Columns columns.
#pragma once

#include "toolkit/Control.h"
#include "toolkit/Strings.h"

namespace toolkit {

class TRadioGroup : public TControl {
 public:
  explicit TRadioGroup(TComponent* owner);
  TStrings& Items() { return items_; }
  const TStrings& Items() const { return items_; }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // out of range: none chosen
  int Columns() const { return columns_; }
  void SetColumns(int columns);  // at least 1
  // The user picks button `index`; a change raises OnClick.
  void UserSelect(int index);
  void PostSelect(int index);
  const char* ClassName() const override { return "TRadioGroup"; }

 private:
  void ItemsChanged();
  TStrings items_;
  int itemIndex_ = -1;
  int columns_ = 1;
};

}  // namespace toolkit
