#include "toolkit/Strings.h"

namespace toolkit {

int TStrings::Add(const std::string& text) {
  items_.push_back(text);
  Changed();
  return Count() - 1;
}

void TStrings::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TStrings::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  Changed();
}

void TStrings::Assign(const std::vector<std::string>& texts) {
  items_ = texts;
  Changed();
}

const std::string& TStrings::operator[](int index) const {
  static const std::string kEmpty;
  if (index < 0 || index >= Count()) return kEmpty;
  return items_[static_cast<std::size_t>(index)];
}

int TStrings::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)] == text) return i;
  return -1;
}

}  // namespace toolkit
