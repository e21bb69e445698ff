// The Qt drawing of one form: one widget per control, kept in step with the model both
// ways. Model changes arrive as observer calls; the user's input on a widget goes to the
// control's User* operation, run as a handler of the application.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

#include "toolkit/Control.h"
#include "toolkit/TForm.h"
#include "toolkit/qt/Widgets.h"

namespace toolkit::qt {

class FormView : public TControlObserver {
 public:
  // `delivered` is called after each piece of user input reached the model.
  FormView(TForm& form, std::function<void()> delivered);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  TForm& Form() const { return *form_; }
  FormWidget* Top() const { return top_; }
  QWidget* WidgetOf(const TControl& control) const;
  // Shows the window (centred on the screen when the form asks for it).
  void ShowWindow();
  void HideWindow();
  // Called when the form itself is being destroyed (after the view lets go of it).
  std::function<void()> onFormDestroyed;

  void ControlChanged(TControl& control, TChange change) override;
  void ControlDestroyed(TControl& control) override;

 private:
  void Build(TControl& control, QWidget* parent);
  QWidget* Create(TControl& control, QWidget* parent);
  void Connect(TControl& control, QWidget* widget);
  void SyncAll(TControl& control, QWidget* widget);
  void SyncGeometry(TControl& control, QWidget* widget);
  void SyncAppearance(TControl& control, QWidget* widget);
  void SyncContent(TControl& control, QWidget* widget);
  void SyncItems(TControl& control, QWidget* widget);
  void SyncLines(TControl& control, QWidget* widget);
  void ScrollToCaret(QWidget* widget);
  void SyncChildren(TControl& control);
  void SyncTabOrder();
  void Deliver(const std::function<void()>& action);
  void Forget(QWidget* widget);

  TForm* form_;
  FormWidget* top_;
  std::map<const TControl*, QPointer<QWidget>> widgets_;
  std::map<const TControl*, int> linesShown_;
  std::function<void()> delivered_;
  bool positioned_ = false;
  bool resizing_ = false;
};

}  // namespace toolkit::qt
