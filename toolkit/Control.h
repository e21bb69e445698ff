// The control model: components with an owner, controls with a parent, bounds,
// alignment, visibility, text, font and colour. Every change a view must draw is reported
// to the observer of the control's top-level parent (the form's view); user input arrives
// through the User* operations, usually posted to the application's message queue.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Graphics.h"
#include "toolkit/Messages.h"
#include "toolkit/NotifyEvent.h"

namespace toolkit {

// A component owns the components created with it as owner and destroys them with itself.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component with that name, or null.
  TComponent* FindComponent(const std::string& name) const;
  int Tag = 0;

 protected:
  // Destroys the owned components now (kinds call it first in their destructor, so that
  // the components go while the owner is still whole).
  void DestroyComponents();

 private:
  void RemoveComponent(TComponent* component);
  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// What changed on a control, for its view.
enum class TChange {
  Bounds,
  Visible,
  Enabled,
  Text,
  Hint,
  Font,
  Color,
  TabOrder,
  Items,
  ItemIndex,
  Checked,
  Lines,        // rich edit: lines appended (view appends what it lacks) or cleared
  ScrollCaret,  // rich edit: show the caret (the newest line)
  Glyph,
  Style,     // kind-specific properties (bevel, columns, flat, scroll bars, ...)
  Children,  // a child was added or removed
  Graph,     // graph: series, points, markers, titles or axis ranges
};

class TControl;

class TControlObserver {
 public:
  virtual ~TControlObserver() = default;
  virtual void ControlChanged(TControl& control, TChange change) = 0;
  virtual void ControlDestroyed(TControl& control) = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Parent: the control that contains this one; positions are relative to it.
  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent);
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  // The control at the top of the parent chain (the form), or this one.
  TControl* Root();

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // The area children are placed in (the whole control unless a kind says otherwise).
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  // Places the aligned children: top ones stacked from the top in order of their Top,
  // bottom ones from the bottom, all stretched to the client width; left and right ones
  // in the height that remains; a client-aligned one takes the rest.
  void AlignControls();

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Whether the user can reach the control: it and every parent below the form are
  // visible and enabled.
  bool CanFocusInput() const;

  // Caption and Text are the same text. Setting a different text reports it at once
  // (TextChanged: an edit raises OnChange); setting the same text does nothing.
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& text) { SetText(text); }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);

  // Font: the control's own once set (ParentFont becomes false), else the parent's.
  const TFont& Font() const;
  void SetFont(const TFont& font);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool parentFont);
  // Colour: the control's own, or the parent's while ParentColor.
  TColor Color() const;
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool parentColor);

  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool stop) { tabStop_ = stop; }

  // Click: OnClick from program. UserClick: the user's click, which reaches the control
  // only when it can take input. PostClick: the user's click at the next message pump.
  TNotifyEvent OnClick;
  virtual void Click();
  void UserClick();
  void PostClick();

  // A window message; kinds answer the ones they know, others answer 0.
  virtual LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

  // Kind name for views and diagnostics ("TEdit", ...).
  virtual const char* ClassName() const { return "TControl"; }

  // Observers of this control tree, set on its root (the form): the view, and others that
  // follow the window (a printer of the report). SetObserver sets the one main observer
  // (null: none); AddObserver and RemoveObserver manage further ones. All hear every
  // change of every control of the tree, the main one first.
  void SetObserver(TControlObserver* observer) { observer_ = observer; }
  void AddObserver(TControlObserver* observer);
  void RemoveObserver(TControlObserver* observer);
  TControlObserver* Observer();

 protected:
  // After the control's size changed and its aligned children were placed.
  virtual void Resized() {}
  void Changed(TChange change);
  virtual void TextChanged() {}
  virtual void FontChanged() {}
  void SetDefaultColor(TColor color) { color_ = color; }
  void SetDefaultTabStop(bool stop) { tabStop_ = stop; }
  // Posts a user action that runs only if this control still exists then.
  void PostUserAction(std::function<void()> action);

 private:
  void NotifyDown(TChange change);
  std::vector<TControlObserver*> ObserversOfTree();
  TControl* parent_ = nullptr;
  std::vector<TControl*> controls_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  std::string hint_;
  bool showHint_ = false;
  TFont font_;
  bool parentFont_ = true;
  TColor color_ = clBtnFace;
  bool parentColor_ = false;
  int tabOrder_ = -1;
  bool tabStop_ = false;
  bool aligning_ = false;
  TControlObserver* observer_ = nullptr;
  std::vector<TControlObserver*> observers_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

// The character after a single '&' in a caption (the access key), upper-cased; 0 if none.
char AccessKeyOf(const std::string& caption);
// The caption without its access-key marks ("&&" stays as one '&').
std::string StripAccessKey(const std::string& caption);

}  // namespace toolkit
