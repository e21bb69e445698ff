// The dialogs that choose a file to save to or to open: the caller sets the title, the kinds
// of file offered (Filter: "Description|*.ext|Other|*.a;*.b", as pairs) and a proposed name;
// Execute shows the dialog of the window's backend (Qt's, the system's common dialog) and
// returns true with FileName set to the full path chosen, false when the user cancelled.
// Without a backend (headless) the application's file-dialog handler answers (tests set it);
// with none, Execute returns false.
#pragma once

#include <string>

#include "toolkit/Control.h"

namespace toolkit {

struct TFileDialogRequest {
  bool save = false;  // a file to write (the dialog may ask before replacing one)
  std::string title;
  std::string filter;      // "Description|*.ext|..." pairs
  int filterIndex = 1;     // the kind offered first, from 1; out: the kind chosen
  std::string fileName;    // in: proposed; out: the full path chosen
  std::string defaultExt;  // added to a name typed without an extension (no dot)
};

class TFileDialog : public TComponent {
 public:
  TFileDialog(TComponent* owner, bool save) : TComponent(owner), save_(save) {}

  std::string Title;
  std::string Filter;
  int FilterIndex = 1;
  std::string FileName;
  std::string DefaultExt;

  bool Execute();

 private:
  bool save_;
};

class TSaveDialog : public TFileDialog {
 public:
  explicit TSaveDialog(TComponent* owner) : TFileDialog(owner, true) {}
};

class TOpenDialog : public TFileDialog {
 public:
  explicit TOpenDialog(TComponent* owner) : TFileDialog(owner, false) {}
};

}  // namespace toolkit
