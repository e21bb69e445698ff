// The Qt 6 Widgets backend of the window toolkit. It includes no Qt header, so the
// application can install it without depending on Qt:
//
//   toolkit::qt::QtView view;                 // creates the QApplication if none runs
//   toolkit::Application->SetBackend(&view);  // forms shown from now on are drawn
//   ... Application->Initialize(), CreateForm(...), Run() ...
//
// While a form is drawn, message boxes (MessageBoxA) appear as Qt message boxes.
#pragma once

#include <memory>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/TForm.h"

class QWidget;

namespace toolkit::qt {

class QtView : public TBackend {
 public:
  QtView();
  QtView(int& argc, char** argv);
  // Started as `programName`: its windows carry that window class and application id, so
  // that a desktop matches them with the desktop entry of that name.
  explicit QtView(const std::string& programName);
  ~QtView() override;
  QtView(const QtView&) = delete;
  QtView& operator=(const QtView&) = delete;

  // Draws the form and shows its window now (also without a running message loop).
  void Show(TForm& form);
  // Saves a picture of the form's window (its client area) as PNG; false on failure or
  // when the form is not drawn by this view.
  bool SaveScreenshot(TForm& form, const std::string& path);
  // The widget that draws a control of a shown form, or null.
  QWidget* WidgetOf(const TControl& control) const;
  // Runs Qt's pending events once (layout, painting, input), outside the message loop.
  void Flush();

  // TBackend
  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  bool ProcessEvents() override;
  void WaitForEvents(int milliseconds) override;
  // Queues a call of Application->RunThreadPosts() on the GUI thread (any thread).
  void Wake() override;
  // Qt's file dialog, over the window that is up.
  bool ChooseFile(TFileDialogRequest& request) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace toolkit::qt
