// The native Windows backend of the window toolkit: each form is drawn with the system's
// own controls (see FormWindow), the user's input is taken from the thread's message queue
// (PeekMessage, with the dialog manager's keyboard handling), and waiting for input sleeps
// in the queue until a message or a SetTimer tick arrives. It includes no system header
// beyond the Win32 subset's, so a program installs it as it installs the Qt view:
//
//   toolkit::win32::Win32View view("velmark");
//   toolkit::Application->SetBackend(&view);
//
// While a form is drawn, message boxes (MessageBoxA) are the system's, owned by it.
#pragma once

#include <memory>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/TForm.h"

namespace toolkit::win32 {

class Win32View : public TBackend {
 public:
  // `programName` names the window class of the program's forms' windows.
  explicit Win32View(const std::string& programName = "velmark");
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  // Draws the form and shows its window now (also without a running message loop).
  void Show(TForm& form);
  // The window that draws a control of a shown form, or null.
  HWND WindowOf(const TControl& control) const;
  // Whether the system's rich edit library was found (the report needs it).
  bool RichEditLoaded() const;

  // TBackend
  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  bool ProcessEvents() override;
  void WaitForEvents(int milliseconds) override;
  // Posts a message to the view's hidden window, whose procedure runs
  // Application->RunThreadPosts() on the GUI thread (any thread; also in modal loops).
  void Wake() override;
  // The common dialog (GetSaveFileNameA / GetOpenFileNameA), owned by the window up.
  bool ChooseFile(TFileDialogRequest& request) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace toolkit::win32
