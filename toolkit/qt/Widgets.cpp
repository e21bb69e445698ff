#include "toolkit/qt/Widgets.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

#include "toolkit/qt/GraphPainter.h"

namespace toolkit::qt {

namespace {
const QColor kShadow(128, 128, 128);
const QColor kHighlight(255, 255, 255);
}  // namespace

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResized) onResized(event->size().width(), event->size().height());
}

void FormWidget::closeEvent(QCloseEvent* event) {
  if (onCloseRequested) onCloseRequested();
  event->accept();
}

void DrawBevel(QPainter& painter, QRect rect, TBevelCut cut) {
  if (cut == bvNone) return;
  const QColor topLeft = cut == bvLowered ? kShadow : kHighlight;
  const QColor bottomRight = cut == bvLowered ? kHighlight : kShadow;
  painter.setPen(topLeft);
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  painter.drawLine(rect.topRight(), rect.bottomRight());
}

PanelWidget::PanelWidget(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
}

void PanelWidget::SetBevels(TBevelCut outer, TBevelCut inner) {
  outer_ = outer;
  inner_ = inner;
  update();
}

void PanelWidget::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void PanelWidget::SetTextColor(const QColor& color) {
  textColor_ = color;
  update();
}

void PanelWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  if (outer_ != bvNone) {
    DrawBevel(p, r, outer_);
    r.adjust(1, 1, -1, -1);
  }
  if (inner_ != bvNone) {
    DrawBevel(p, r, inner_);
    r.adjust(1, 1, -1, -1);
  }
  if (!caption_.isEmpty()) {
    p.setFont(font());
    p.setPen(textColor_);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, caption_);
  }
}

RadioGroupWidget::RadioGroupWidget(QWidget* parent) : QGroupBox(parent) {}

void RadioGroupWidget::SetItems(const QStringList& items) {
  for (QRadioButton* b : buttons_) delete b;
  buttons_.clear();
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setAutoExclusive(false);  // the model decides which one is chosen
    QObject::connect(b, &QRadioButton::clicked, this, [this, i](bool) {
      if (onSelected) onSelected(i);
    });
    b->show();
    buttons_.push_back(b);
  }
  Arrange();
}

void RadioGroupWidget::SetColumns(int columns) {
  columns_ = std::max(1, columns);
  Arrange();
}

void RadioGroupWidget::SetItemIndex(int index) {
  for (int i = 0; i < ItemCount(); ++i) {
    QSignalBlocker block(buttons_[static_cast<std::size_t>(i)]);
    buttons_[static_cast<std::size_t>(i)]->setChecked(i == index);
  }
}

QRadioButton* RadioGroupWidget::Button(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return buttons_[static_cast<std::size_t>(index)];
}

void RadioGroupWidget::Arrange() {
  const int count = ItemCount();
  if (count == 0) return;
  // Buttons fill the columns top to bottom, evenly spread over the area under the title.
  const int perColumn = (count + columns_ - 1) / columns_;
  const int textHeight = QFontMetrics(font()).height();
  const int buttonWidth = std::max(1, (width() - 10) / columns_);
  const int area = std::max(perColumn, height() - textHeight - 5);
  const int buttonHeight = area / perColumn;
  const int topMargin = textHeight + 1 + (area % perColumn) / 2;
  for (int i = 0; i < count; ++i) {
    QRadioButton* b = buttons_[static_cast<std::size_t>(i)];
    b->setFont(font());
    b->setPalette(palette());
    b->setGeometry((i / perColumn) * buttonWidth + 8, (i % perColumn) * buttonHeight + topMargin,
                   buttonWidth, buttonHeight);
  }
}

void RadioGroupWidget::paintEvent(QPaintEvent*) {
  // An etched frame from half the title's height down, the title on it near the left.
  QPainter p(this);
  const QFontMetrics metrics(font());
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -1, -1);
  p.setPen(kShadow);
  p.drawRect(frame.adjusted(0, 0, -1, -1));
  p.setPen(kHighlight);
  p.drawRect(frame.adjusted(1, 1, 0, 0));
  const QString text = title();
  if (text.isEmpty()) return;
  const QRect titleRect(8, 0, metrics.horizontalAdvance(text) + 2, metrics.height());
  p.fillRect(titleRect, palette().color(QPalette::Window));
  p.setFont(font());
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(titleRect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void RadioGroupWidget::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  Arrange();
}

void RadioGroupWidget::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) Arrange();
}

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
}

void StatusBarWidget::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void StatusBarWidget::SetTextColor(const QColor& color) {
  textColor_ = color;
  update();
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect field = rect().adjusted(0, 2, -1, -1);
  DrawBevel(p, field, bvLowered);
  p.setFont(font());
  p.setPen(textColor_);
  p.drawText(field.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             text_);
}

void GraphWidget::SetModel(const TGraphModel& model) {
  if (model == model_) return;
  model_ = model;
  update();
}

void GraphWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintGraph(painter, rect(), model_, font());
}

}  // namespace toolkit::qt
