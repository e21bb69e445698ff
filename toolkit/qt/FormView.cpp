#include "toolkit/qt/FormView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/TButton.h"
#include "toolkit/TCheckBox.h"
#include "toolkit/TComboBox.h"
#include "toolkit/TEdit.h"
#include "toolkit/TGraph.h"
#include "toolkit/TLabel.h"
#include "toolkit/TRadioGroup.h"
#include "toolkit/TRichEdit.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TToolBar.h"
#include "toolkit/qt/QtConvert.h"

namespace toolkit::qt {

namespace {

std::string FromQString(const QString& text) {
  return text.toUtf8().toStdString();
}

void SetTextColour(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
  // Disabled text keeps the style's grey.
  palette.setColor(QPalette::Active, role, colour);
  palette.setColor(QPalette::Inactive, role, colour);
}

}  // namespace

FormView::FormView(TForm& form, std::function<void()> delivered)
    : form_(&form), top_(new FormWidget), delivered_(std::move(delivered)) {
  top_->onResized = [this](int w, int h) {
    if (resizing_ || form_ == nullptr) return;
    if (w == form_->ClientWidth() && h == form_->ClientHeight()) return;
    Deliver([this, w, h] { form_->SetClientSize(w, h); });
  };
  top_->onCloseRequested = [this] {
    if (form_ != nullptr && !form_->Closed()) Deliver([this] { form_->Close(); });
  };
  form.AddObserver(this);
  Build(form, nullptr);
  SyncTabOrder();
}

FormView::~FormView() {
  if (form_ != nullptr) form_->RemoveObserver(this);
  delete top_;
}

QWidget* FormView::WidgetOf(const TControl& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second.data();
}

void FormView::ShowWindow() {
  if (top_ == nullptr || form_ == nullptr) return;
  if (!positioned_) {
    positioned_ = true;
    const TPosition pos = form_->Position();
    QScreen* screen = QGuiApplication::primaryScreen();
    if ((pos == poScreenCenter || pos == poDesktopCenter || pos == poMainFormCenter) &&
        screen != nullptr) {
      const QRect area = screen->availableGeometry();
      top_->move(area.center() - QPoint(form_->Width() / 2, form_->Height() / 2));
    } else if (pos == poDesigned) {
      top_->move(form_->Left(), form_->Top());
    }
  }
  top_->show();
}

void FormView::HideWindow() {
  if (top_ != nullptr) top_->hide();
}

void FormView::Deliver(const std::function<void()>& action) {
  Application->Dispatch(action);
  if (delivered_) delivered_();
}

// ---- building --------------------------------------------------------------------------

QWidget* FormView::Create(TControl& c, QWidget* parent) {
  if (&c == form_) return top_;
  if (dynamic_cast<TEdit*>(&c)) return new QLineEdit(parent);
  if (dynamic_cast<TLabel*>(&c)) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    return l;
  }
  if (dynamic_cast<TPanel*>(&c)) return new PanelWidget(parent);
  if (dynamic_cast<TButton*>(&c)) return new QPushButton(parent);
  if (dynamic_cast<TSpeedButton*>(&c)) return new QToolButton(parent);
  if (dynamic_cast<TComboBox*>(&c)) return new QComboBox(parent);
  if (dynamic_cast<TCheckBox*>(&c)) {
    auto* box = new QCheckBox(parent);
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 4px; }"));  // the classic gap
    return box;
  }
  if (dynamic_cast<TRadioGroup*>(&c)) return new RadioGroupWidget(parent);
  if (dynamic_cast<TRichEdit*>(&c)) {
    auto* t = new QTextEdit(parent);
    t->setAcceptRichText(false);
    t->document()->setDocumentMargin(1);
    return t;
  }
  if (dynamic_cast<TStatusBar*>(&c)) return new StatusBarWidget(parent);
  if (dynamic_cast<TGraph*>(&c)) return new GraphWidget(parent);
  auto* w = new QWidget(parent);  // tool bar and plain containers
  w->setAutoFillBackground(true);
  return w;
}

void FormView::Build(TControl& c, QWidget* parent) {
  QWidget* w = Create(c, parent);
  widgets_[&c] = w;
  Connect(c, w);
  SyncAll(c, w);
  for (int i = 0; i < c.ControlCount(); ++i) Build(*c.Controls(i), w);
}

void FormView::Connect(TControl& c, QWidget* w) {
  const TControl* key = &c;
  auto alive = [this, key] { return widgets_.count(key) != 0; };
  if (auto* edit = dynamic_cast<TEdit*>(&c)) {
    auto* le = static_cast<QLineEdit*>(w);
    QObject::connect(le, &QLineEdit::textEdited, le, [this, edit, le, alive](const QString& t) {
      Deliver([edit, t] { edit->UserSetText(FromQString(t)); });
      if (alive()) SyncContent(*edit, le);
    });
  } else if (dynamic_cast<TButton*>(&c)) {
    QObject::connect(static_cast<QPushButton*>(w), &QPushButton::clicked, w,
                     [this, &c] { Deliver([&c] { c.UserClick(); }); });
  } else if (dynamic_cast<TSpeedButton*>(&c)) {
    QObject::connect(static_cast<QToolButton*>(w), &QToolButton::clicked, w,
                     [this, &c] { Deliver([&c] { c.UserClick(); }); });
  } else if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    auto* cb = static_cast<QComboBox*>(w);
    QObject::connect(cb, &QComboBox::activated, cb, [this, combo, cb, alive](int index) {
      Deliver([combo, index] { combo->UserSelect(index); });
      if (alive()) SyncContent(*combo, cb);
    });
  } else if (auto* box = dynamic_cast<TCheckBox*>(&c)) {
    auto* cb = static_cast<QCheckBox*>(w);
    QObject::connect(cb, &QCheckBox::clicked, cb, [this, box, cb, alive](bool) {
      Deliver([box] { box->UserClick(); });
      if (alive()) SyncContent(*box, cb);
    });
  } else if (auto* group = dynamic_cast<TRadioGroup*>(&c)) {
    auto* rg = static_cast<RadioGroupWidget*>(w);
    rg->onSelected = [this, group, rg, alive](int index) {
      Deliver([group, index] { group->UserSelect(index); });
      if (alive()) rg->SetItemIndex(group->ItemIndex());
    };
  }
}

// ---- model to widget ---------------------------------------------------------------------

void FormView::SyncAll(TControl& c, QWidget* w) {
  SyncAppearance(c, w);
  SyncContent(c, w);
  SyncItems(c, w);
  SyncLines(c, w);
  SyncGeometry(c, w);
}

void FormView::SyncGeometry(TControl& c, QWidget* w) {
  if (&c == form_) {
    top_->setMinimumSize(form_->MinClientWidth(), form_->MinClientHeight());
    const QSize client(form_->ClientWidth(), form_->ClientHeight());
    if (top_->size() != client) {
      resizing_ = true;
      top_->resize(client);
      resizing_ = false;
    }
    return;
  }
  auto* label = dynamic_cast<TLabel*>(&c);
  if (label != nullptr && label->AutoSize()) {
    w->setGeometry(QRect(QPoint(c.Left(), c.Top()), w->sizeHint()));
  } else {
    w->setGeometry(c.Left(), c.Top(), c.Width(), c.Height());
  }
  if (auto* rg = dynamic_cast<RadioGroupWidget*>(w)) rg->Arrange();
}

void FormView::SyncAppearance(TControl& c, QWidget* w) {
  const QFont font = ToQFont(c.Font());
  w->setFont(font);
  const QColor background = ToQColor(c.Color());
  const QColor text = ToQColor(c.Font().Color);
  QPalette palette = w->palette();
  const bool field =
      dynamic_cast<TEdit*>(&c) || dynamic_cast<TComboBox*>(&c) || dynamic_cast<TRichEdit*>(&c);
  if (field) {
    palette.setColor(QPalette::Base, background);
  } else {
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Button, ToQColor(clBtnFace));
  }
  SetTextColour(palette, QPalette::WindowText, text);
  SetTextColour(palette, QPalette::Text, text);
  SetTextColour(palette, QPalette::ButtonText, text);
  w->setPalette(palette);
  const bool container = &c == form_ || dynamic_cast<TPanel*>(&c) || dynamic_cast<TToolBar*>(&c) ||
                         dynamic_cast<TStatusBar*>(&c);
  const bool transparent =
      dynamic_cast<TLabel*>(&c) || dynamic_cast<TCheckBox*>(&c) || dynamic_cast<TRadioGroup*>(&c);
  if (container) w->setAutoFillBackground(true);
  if (transparent) w->setAutoFillBackground(!c.ParentColor());
  if (auto* p = dynamic_cast<PanelWidget*>(w)) p->SetTextColor(text);
  if (auto* s = dynamic_cast<StatusBarWidget*>(w)) s->SetTextColor(text);
  if (auto* rich = dynamic_cast<TRichEdit*>(&c)) {
    rich->SetLineHeight(QFontMetrics(font).lineSpacing());
  }
  w->setEnabled(c.Enabled());
  if (&c != form_) w->setVisible(c.Visible());
  w->setToolTip(c.ShowHint() ? ToQString(c.Hint()) : QString());
}

void FormView::SyncContent(TControl& c, QWidget* w) {
  const QString text = ToQString(c.Text());
  if (&c == form_) {
    top_->setWindowTitle(text);
    if (!form_->Icon().Empty()) {
      top_->setWindowIcon(QIcon(QPixmap::fromImage(ToQImage(form_->Icon()))));
    }
  } else if (auto* edit = dynamic_cast<TEdit*>(&c)) {
    auto* le = static_cast<QLineEdit*>(w);
    if (le->text() != text) {
      QSignalBlocker block(le);
      le->setText(text);
    }
    le->setReadOnly(edit->ReadOnly());
  } else if (dynamic_cast<TLabel*>(&c)) {
    static_cast<QLabel*>(w)->setText(text);
  } else if (auto* panel = dynamic_cast<TPanel*>(&c)) {
    auto* p = static_cast<PanelWidget*>(w);
    p->SetCaption(text);
    p->SetBevels(panel->BevelOuter(), panel->BevelInner());
  } else if (dynamic_cast<TButton*>(&c)) {
    static_cast<QPushButton*>(w)->setText(text);
  } else if (auto* speed = dynamic_cast<TSpeedButton*>(&c)) {
    auto* b = static_cast<QToolButton*>(w);
    if (!speed->Glyph().Empty()) {
      b->setIcon(QIcon(QPixmap::fromImage(ToQImage(speed->Glyph()))));
      b->setIconSize(QSize(speed->Glyph().Width(), speed->Glyph().Height()));
    }
    b->setAutoRaise(speed->Flat());
    b->setText(text);
    b->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
  } else if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    auto* cb = static_cast<QComboBox*>(w);
    QSignalBlocker block(cb);
    cb->setEditable(combo->Style() == csDropDown);
    cb->setCurrentIndex(combo->ItemIndex());
  } else if (auto* box = dynamic_cast<TCheckBox*>(&c)) {
    auto* cb = static_cast<QCheckBox*>(w);
    QSignalBlocker block(cb);
    cb->setText(text);
    cb->setChecked(box->Checked());
  } else if (auto* group = dynamic_cast<TRadioGroup*>(&c)) {
    auto* rg = static_cast<RadioGroupWidget*>(w);
    rg->setTitle(text);
    rg->SetColumns(group->Columns());
    rg->SetItemIndex(group->ItemIndex());
  } else if (auto* rich = dynamic_cast<TRichEdit*>(&c)) {
    auto* te = static_cast<QTextEdit*>(w);
    te->setReadOnly(rich->ReadOnly());
    const TScrollStyle bars = rich->ScrollBars();
    te->setVerticalScrollBarPolicy(bars == ssVertical || bars == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAlwaysOff);
    te->setHorizontalScrollBarPolicy(
        bars == ssHorizontal || bars == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    te->setLineWrapMode(rich->WordWrap() ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  } else if (auto* status = dynamic_cast<TStatusBar*>(&c)) {
    static_cast<StatusBarWidget*>(w)->SetText(
        ToQString(status->SimplePanel() ? status->SimpleText() : status->Text()));
  } else if (auto* graph = dynamic_cast<TGraph*>(&c)) {
    static_cast<GraphWidget*>(w)->SetModel(graph->Model());
  }
}

void FormView::SyncItems(TControl& c, QWidget* w) {
  if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
    auto* cb = static_cast<QComboBox*>(w);
    QSignalBlocker block(cb);
    cb->clear();
    for (const std::string& item : combo->Items().Items()) cb->addItem(ToQString(item));
    cb->setCurrentIndex(combo->ItemIndex());
  } else if (auto* group = dynamic_cast<TRadioGroup*>(&c)) {
    auto* rg = static_cast<RadioGroupWidget*>(w);
    QStringList items;
    for (const std::string& item : group->Items().Items()) items << ToQString(item);
    rg->SetItems(items);
    rg->SetItemIndex(group->ItemIndex());
  }
}

void FormView::SyncLines(TControl& c, QWidget* w) {
  auto* rich = dynamic_cast<TRichEdit*>(&c);
  if (rich == nullptr) return;
  auto* te = static_cast<QTextEdit*>(w);
  // Lines are counted from the report's start; the document, like the report, keeps only
  // the newest lines.
  int& shown = linesShown_[&c];
  const int dropped = rich->LinesDropped();
  const int total = dropped + rich->LineCount();
  if (total < shown) {
    te->clear();
    shown = 0;
  }
  if (total == shown) return;
  te->document()->setMaximumBlockCount(TRichEdit::kMaxLines);
  QTextCursor cursor(te->document());
  cursor.movePosition(QTextCursor::End);
  for (int i = std::max(shown, dropped); i < total; ++i) {
    const TRichLine& line = rich->Line(i - dropped);
    QTextCharFormat format;
    format.setFont(ToQFont(line.Attributes));
    format.setForeground(ToQColor(line.Attributes.Color));
    if (i > 0) cursor.insertBlock(QTextBlockFormat(), format);
    cursor.setBlockCharFormat(format);
    cursor.setCharFormat(format);
    cursor.insertText(ToQString(line.Text), format);
  }
  shown = total;
}

void FormView::ScrollToCaret(QWidget* w) {
  auto* te = dynamic_cast<QTextEdit*>(w);
  if (te == nullptr) return;
  te->moveCursor(QTextCursor::End);
  te->ensureCursorVisible();
  // The caret stands at the end of the text: the newest line is at the very bottom.
  te->verticalScrollBar()->setValue(te->verticalScrollBar()->maximum());
}

void FormView::SyncChildren(TControl& c) {
  QWidget* parent = WidgetOf(c);
  if (parent == nullptr) return;
  for (int i = 0; i < c.ControlCount(); ++i) {
    TControl* child = c.Controls(i);
    QWidget* w = WidgetOf(*child);
    if (w == nullptr) {
      Build(*child, parent);
    } else if (w->parentWidget() != parent) {
      w->setParent(parent);
      SyncAll(*child, w);
    }
  }
  // Children that left this parent without a new one in the window are hidden.
  for (auto& [control, widget] : widgets_) {
    if (widget && widget->parentWidget() == parent && control->Parent() != &c) widget->hide();
  }
}

void FormView::SyncTabOrder() {
  if (form_ == nullptr) return;
  std::vector<QWidget*> chain;
  std::function<void(TControl&)> walk = [&](TControl& parent) {
    std::vector<TControl*> children;
    for (int i = 0; i < parent.ControlCount(); ++i) children.push_back(parent.Controls(i));
    std::stable_sort(children.begin(), children.end(), [](TControl* a, TControl* b) {
      const int ka = a->TabOrder() < 0 ? 1 << 30 : a->TabOrder();
      const int kb = b->TabOrder() < 0 ? 1 << 30 : b->TabOrder();
      return ka < kb;
    });
    for (TControl* child : children) {
      QWidget* w = WidgetOf(*child);
      if (w == nullptr) continue;
      if (auto* rg = dynamic_cast<RadioGroupWidget*>(w)) {
        for (int i = 0; i < rg->ItemCount(); ++i)
          rg->Button(i)->setFocusPolicy(child->TabStop() ? Qt::StrongFocus : Qt::NoFocus);
        if (child->TabStop() && rg->ItemCount() > 0) chain.push_back(rg->Button(0));
      } else if (child->TabStop()) {
        w->setFocusPolicy(Qt::StrongFocus);
        chain.push_back(w);
      } else if (dynamic_cast<PanelWidget*>(w) || dynamic_cast<StatusBarWidget*>(w)) {
        w->setFocusPolicy(Qt::NoFocus);
      }
      walk(*child);
    }
  };
  walk(*form_);
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

// ---- observer -----------------------------------------------------------------------------

void FormView::ControlChanged(TControl& c, TChange change) {
  QWidget* w = WidgetOf(c);
  if (w == nullptr) return;
  switch (change) {
    case TChange::Bounds:
      SyncGeometry(c, w);
      break;
    case TChange::Children:
      SyncChildren(c);
      SyncTabOrder();
      break;
    case TChange::TabOrder:
      SyncTabOrder();
      break;
    case TChange::Items:
      SyncItems(c, w);
      break;
    case TChange::Lines:
      SyncLines(c, w);
      break;
    case TChange::ScrollCaret:
      ScrollToCaret(w);
      break;
    case TChange::Graph:
      SyncContent(c, w);
      break;
    case TChange::Font:
    case TChange::Color:
      SyncAppearance(c, w);
      SyncGeometry(c, w);
      break;
    case TChange::Text:
      SyncContent(c, w);
      if (dynamic_cast<TLabel*>(&c)) SyncGeometry(c, w);
      break;
    default:
      SyncAppearance(c, w);
      SyncContent(c, w);
      break;
  }
}

void FormView::Forget(QWidget* widget) {
  for (auto it = widgets_.begin(); it != widgets_.end();) {
    QWidget* w = it->second.data();
    if (w == nullptr || w == widget || widget->isAncestorOf(w)) {
      linesShown_.erase(it->first);
      it = widgets_.erase(it);
    } else {
      ++it;
    }
  }
}

void FormView::ControlDestroyed(TControl& c) {
  if (&c == form_) {
    form_ = nullptr;
    widgets_.clear();
    linesShown_.clear();
    if (top_ != nullptr) {
      top_->onResized = nullptr;
      top_->onCloseRequested = nullptr;
      top_->hide();
      top_->deleteLater();
      top_ = nullptr;
    }
    if (onFormDestroyed) onFormDestroyed();
    return;
  }
  QWidget* w = WidgetOf(c);
  if (w == nullptr) return;
  // The widget may be the sender of the signal being handled: detach now, delete later.
  QObject::disconnect(w, nullptr, nullptr, nullptr);
  for (QObject* child : w->findChildren<QObject*>())
    QObject::disconnect(child, nullptr, nullptr, nullptr);
  w->hide();
  Forget(w);
  w->deleteLater();
}

}  // namespace toolkit::qt
