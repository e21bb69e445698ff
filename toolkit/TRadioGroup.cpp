#include "toolkit/TRadioGroup.h"

namespace toolkit {

TRadioGroup::TRadioGroup(TComponent* owner) : TControl(owner), items_([this] { ItemsChanged(); }) {
  SetDefaultTabStop(true);
  SetBounds(0, 0, 185, 105);
}

void TRadioGroup::ItemsChanged() {
  if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
  Changed(TChange::Items);
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < 0 || index >= items_.Count()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed(TChange::ItemIndex);
}

void TRadioGroup::SetColumns(int columns) {
  if (columns < 1) columns = 1;
  if (columns == columns_) return;
  columns_ = columns;
  Changed(TChange::Style);
}

void TRadioGroup::UserSelect(int index) {
  if (!CanFocusInput() || index < 0 || index >= items_.Count() || index == itemIndex_) return;
  SetItemIndex(index);
  if (OnClick) OnClick(this);
}

void TRadioGroup::PostSelect(int index) {
  PostUserAction([this, index] { UserSelect(index); });
}

}  // namespace toolkit
