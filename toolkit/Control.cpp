#include "toolkit/Control.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "toolkit/MessageLoop.h"

namespace toolkit {

// ---- TComponent ----------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  // Newest first, as a child may refer to one created before it.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    delete c;
  }
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : components_)
    if (c->Name() == name) return c;
  return nullptr;
}

// ---- TControl ------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  DestroyComponents();
  for (TControlObserver* o : ObserversOfTree()) o->ControlDestroyed(*this);
  for (TControl* child : controls_) child->parent_ = nullptr;
  controls_.clear();
  if (parent_ != nullptr) {
    TControl* parent = parent_;
    parent_ = nullptr;
    auto it = std::find(parent->controls_.begin(), parent->controls_.end(), this);
    if (it != parent->controls_.end()) parent->controls_.erase(it);
    parent->Changed(TChange::Children);
  }
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  for (TControl* p = parent; p != nullptr; p = p->parent_)
    if (p == this) return;  // would make a cycle
  if (parent_ != nullptr) {
    TControl* old = parent_;
    auto it = std::find(old->controls_.begin(), old->controls_.end(), this);
    if (it != old->controls_.end()) old->controls_.erase(it);
    parent_ = nullptr;
    old->Changed(TChange::Children);
    old->AlignControls();
  }
  parent_ = parent;
  if (parent_ != nullptr) {
    if (tabOrder_ < 0 && tabStop_) {
      int stops = 0;
      for (TControl* c : parent_->controls_)
        if (c->tabStop_) ++stops;
      tabOrder_ = stops;
    }
    parent_->controls_.push_back(this);
    parent_->Changed(TChange::Children);
    parent_->AlignControls();
  }
}

TControl* TControl::Root() {
  TControl* c = this;
  while (c->parent_ != nullptr) c = c->parent_;
  return c;
}

TControlObserver* TControl::Observer() {
  return Root()->observer_;
}

void TControl::AddObserver(TControlObserver* observer) {
  if (observer == nullptr) return;
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void TControl::RemoveObserver(TControlObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

std::vector<TControlObserver*> TControl::ObserversOfTree() {
  // A copy: an observer may leave while it is being told.
  TControl* root = Root();
  std::vector<TControlObserver*> all;
  if (root->observer_ != nullptr) all.push_back(root->observer_);
  all.insert(all.end(), root->observers_.begin(), root->observers_.end());
  return all;
}

void TControl::Changed(TChange change) {
  // This runs on every change of every control (the status line changes after every command
  // of a read): the copy of a short list stays on the stack.
  constexpr std::size_t kOnStack = 8;
  const TControl* root = Root();
  const std::size_t count = (root->observer_ != nullptr ? 1 : 0) + root->observers_.size();
  if (count > kOnStack) {
    for (TControlObserver* o : ObserversOfTree()) o->ControlChanged(*this, change);
    return;
  }
  std::array<TControlObserver*, kOnStack> copy{};
  std::size_t n = 0;
  if (root->observer_ != nullptr) copy[n++] = root->observer_;
  for (TControlObserver* o : root->observers_) copy[n++] = o;
  for (std::size_t i = 0; i < n; ++i) copy[i]->ControlChanged(*this, change);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(TChange::Bounds);
  if (parent_ != nullptr && align_ != alNone && !parent_->aligning_) parent_->AlignControls();
  if (resized) {
    AlignControls();
    Resized();
  }
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_ != nullptr) parent_->AlignControls();
}

void TControl::AlignControls() {
  if (aligning_) return;
  aligning_ = true;
  int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
  auto pick = [this](TAlign a) {
    std::vector<TControl*> v;
    for (TControl* c : controls_)
      if (c->align_ == a && c->visible_) v.push_back(c);
    return v;
  };
  auto tops = pick(alTop);
  std::stable_sort(tops.begin(), tops.end(),
                   [](TControl* a, TControl* b) { return a->top_ < b->top_; });
  for (TControl* c : tops) {
    c->SetBounds(left, top, std::max(0, right - left), c->height_);
    top += c->height_;
  }
  auto bottoms = pick(alBottom);
  std::stable_sort(bottoms.begin(), bottoms.end(), [](TControl* a, TControl* b) {
    return a->top_ + a->height_ > b->top_ + b->height_;
  });
  for (TControl* c : bottoms) {
    c->SetBounds(left, bottom - c->height_, std::max(0, right - left), c->height_);
    bottom -= c->height_;
  }
  auto lefts = pick(alLeft);
  std::stable_sort(lefts.begin(), lefts.end(),
                   [](TControl* a, TControl* b) { return a->left_ < b->left_; });
  for (TControl* c : lefts) {
    c->SetBounds(left, top, c->width_, std::max(0, bottom - top));
    left += c->width_;
  }
  auto rights = pick(alRight);
  std::stable_sort(rights.begin(), rights.end(), [](TControl* a, TControl* b) {
    return a->left_ + a->width_ > b->left_ + b->width_;
  });
  for (TControl* c : rights) {
    c->SetBounds(right - c->width_, top, c->width_, std::max(0, bottom - top));
    right -= c->width_;
  }
  for (TControl* c : pick(alClient)) {
    c->SetBounds(left, top, std::max(0, right - left), std::max(0, bottom - top));
  }
  aligning_ = false;
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed(TChange::Visible);
  if (parent_ != nullptr && align_ != alNone) parent_->AlignControls();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(TChange::Enabled);
}

bool TControl::CanFocusInput() const {
  for (const TControl* c = this; c != nullptr && c->parent_ != nullptr; c = c->parent_) {
    if (!c->visible_ || !c->enabled_) return false;
  }
  return true;
}

void TControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed(TChange::Text);
  TextChanged();
}

void TControl::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed(TChange::Hint);
}

void TControl::SetShowHint(bool show) {
  if (show == showHint_) return;
  showHint_ = show;
  Changed(TChange::Hint);
}

const TFont& TControl::Font() const {
  if (parentFont_ && parent_ != nullptr) return parent_->Font();
  return font_;
}

void TControl::SetFont(const TFont& font) {
  font_ = font;
  parentFont_ = false;
  FontChanged();
  Changed(TChange::Font);
  NotifyDown(TChange::Font);
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == parentFont_) return;
  if (!parentFont) font_ = Font();  // keep what is shown now as the own font
  parentFont_ = parentFont;
  FontChanged();
  Changed(TChange::Font);
  NotifyDown(TChange::Font);
}

TColor TControl::Color() const {
  if (parentColor_ && parent_ != nullptr) return parent_->Color();
  return color_;
}

void TControl::SetColor(TColor color) {
  color_ = color;
  parentColor_ = false;
  Changed(TChange::Color);
  NotifyDown(TChange::Color);
}

void TControl::SetParentColor(bool parentColor) {
  if (parentColor == parentColor_) return;
  if (!parentColor) color_ = Color();
  parentColor_ = parentColor;
  Changed(TChange::Color);
  NotifyDown(TChange::Color);
}

void TControl::NotifyDown(TChange change) {
  for (TControl* c : controls_) {
    const bool inherits = change == TChange::Font ? c->parentFont_ : c->parentColor_;
    if (!inherits) continue;
    if (change == TChange::Font) c->FontChanged();
    c->Changed(change);
    c->NotifyDown(change);
  }
}

void TControl::SetTabOrder(int order) {
  if (order == tabOrder_) return;
  tabOrder_ = order;
  Changed(TChange::TabOrder);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::UserClick() {
  if (CanFocusInput()) Click();
}

void TControl::PostClick() {
  PostUserAction([this] { UserClick(); });
}

void TControl::PostUserAction(std::function<void()> action) {
  std::weak_ptr<int> alive = life_;
  CurrentMessageLoop()->Post([alive, action = std::move(action)] {
    if (!alive.expired()) action();
  });
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  return 0;
}

char AccessKeyOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

std::string StripAccessKey(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;  // "&&" keeps one '&'; "&x" keeps x
    } else if (caption[i] == '&') {
      continue;
    }
    out += caption[i];
  }
  return out;
}

}  // namespace toolkit
