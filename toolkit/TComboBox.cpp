#include "toolkit/TComboBox.h"

namespace toolkit {

TComboBox::TComboBox(TComponent* owner) : TControl(owner), items_([this] { ItemsChanged(); }) {
  SetDefaultColor(clWindow);
  SetDefaultTabStop(true);
  SetBounds(0, 0, 145, 21);
}

void TComboBox::ItemsChanged() {
  if (itemIndex_ >= items_.Count()) {
    itemIndex_ = -1;
    SetText("");
  } else if (itemIndex_ >= 0) {
    SetText(items_[itemIndex_]);
  }
  Changed(TChange::Items);
}

void TComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= items_.Count()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  SetText(index >= 0 ? items_[index] : std::string());
  Changed(TChange::ItemIndex);
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed(TChange::Style);
}

void TComboBox::SetItemHeight(int height) {
  if (height == itemHeight_) return;
  itemHeight_ = height;
  Changed(TChange::Style);
}

void TComboBox::UserSelect(int index) {
  if (!CanFocusInput() || index < 0 || index >= items_.Count()) return;
  SetItemIndex(index);
  if (OnChange) OnChange(this);
}

void TComboBox::PostSelect(int index) {
  PostUserAction([this, index] { UserSelect(index); });
}

}  // namespace toolkit
