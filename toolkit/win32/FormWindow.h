// The Windows drawing of one form: one window per control — the system's own controls
// where Windows has one (edit, static, button, check box, radio buttons in a group box,
// combo box, rich edit, status bar, tool bar), Velmark's own window classes for the
// form, the bevelled panel and the graph — kept in step with the model both ways. Model
// changes arrive as observer calls; the user's input (WM_COMMAND from the controls) goes
// to the control's User* operation, run as a handler of the application.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/TForm.h"
#include "toolkit/win32/GdiResources.h"

namespace toolkit::win32 {

// Names of Velmark's window classes (registered by the view).
inline constexpr const char* kFormClass = "VelmarkForm";
inline constexpr const char* kPanelClass = "VelmarkPanel";
inline constexpr const char* kGraphClass = "VelmarkGraph";

// The window procedure of Velmark's classes; routes to the form window that made them.
::LRESULT CALLBACK VelmarkWindowProc(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam);

class FormWindow : public TControlObserver {
 public:
  // `delivered` is called after each piece of user input reached the model.
  FormWindow(TForm& form, GdiResources& gdi, std::function<void()> delivered);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  TForm* Form() const { return form_; }
  HWND Top() const { return top_; }
  HWND WindowOf(const TControl& control) const;
  // The controls whose window the system refused to make (kind, name and error): a missing
  // library of the system's controls (riched20.dll) leaves them undrawn.
  const std::vector<std::string>& Refused() const { return refused_; }
  // Shows the window (centred on the screen when the form asks for it).
  void ShowWindow();
  void HideWindow();
  // Called when the form itself is being destroyed (after the window let go of it).
  std::function<void()> onFormDestroyed;

  // A message for one of this form's windows; true when it was answered (`result`).
  bool HandleMessage(HWND window, UINT message, ::WPARAM wParam, ::LPARAM lParam,
                     ::LRESULT& result);

  void ControlChanged(TControl& control, TChange change) override;
  void ControlDestroyed(TControl& control) override;

 private:
  struct Item {
    TControl* control = nullptr;
    HWND window = nullptr;
    HWND frame = nullptr;       // radio group: its group box
    std::vector<HWND> buttons;  // radio group: one radio button per item
    int linesShown = 0;         // rich edit: lines already in the control
  };

  void Build(TControl& control, HWND parent);
  HWND Create(TControl& control, HWND parent);
  void SyncAll(Item& item);
  void SyncGeometry(Item& item);
  void SyncAppearance(Item& item);
  void SyncContent(Item& item);
  void SyncItems(Item& item);
  void SyncLines(Item& item);
  void ScrollToCaret(Item& item);
  void SyncChildren(TControl& control);
  void SyncTabOrder();
  void ArrangeRadios(Item& item);
  void Deliver(const std::function<void()>& action);
  void Forget(HWND window);
  Item* Find(const TControl& control);
  Item* ItemOfWindow(HWND window, int* button = nullptr);
  bool Command(HWND child, WORD code);
  void DrawSpeedButton(const DRAWITEMSTRUCT& draw);
  void PaintPanel(Item& item, HDC dc);
  HWND NewWindow(DWORD exStyle, const char* className, DWORD style, HWND parent);

  TForm* form_;
  GdiResources& gdi_;
  HWND top_ = nullptr;
  HWND tips_ = nullptr;
  HICON icon_ = nullptr;
  std::map<const TControl*, Item> items_;
  std::vector<std::string> refused_;
  std::function<void()> delivered_;
  int nextId_ = 100;
  bool positioned_ = false;
  bool resizing_ = false;
  bool syncing_ = false;  // the model is being written into a control: its echo is no input
};

}  // namespace toolkit::win32
