// A one-line edit. OnChange follows every change of the text, by program or by the user.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

class TEdit : public TControl {
 public:
  explicit TEdit(TComponent* owner);
  TNotifyEvent OnChange;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // The user replaces the text (typing): the change event follows when it differs.
  void UserSetText(const std::string& text);
  void PostText(const std::string& text);
  // The user types `keys` at the end of the text, one key per message: one change event
  // per key, as in the window. '\b' erases the last character.
  void PostTyping(const std::string& keys);
  const char* ClassName() const override { return "TEdit"; }

 protected:
  void TextChanged() override;

 private:
  bool readOnly_ = false;
};

}  // namespace toolkit
