// A list of texts (combo box and radio group items). Changes are reported to the owner.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TStrings {
 public:
  TStrings() = default;
  explicit TStrings(std::function<void()> onChange) : onChange_(std::move(onChange)) {}
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  int Add(const std::string& text);  // returns the new row's index
  void Clear();
  void Delete(int index);  // out of range: nothing happens
  void Assign(const std::vector<std::string>& texts);
  int Count() const { return static_cast<int>(items_.size()); }
  // Out of range: the empty text.
  const std::string& operator[](int index) const;
  const std::string& Strings(int index) const { return (*this)[index]; }
  int IndexOf(const std::string& text) const;  // -1 when absent
  const std::vector<std::string>& Items() const { return items_; }

 private:
  void Changed() {
    if (onChange_) onChange_();
  }
  std::vector<std::string> items_;
  std::function<void()> onChange_;
};

}  // namespace toolkit
