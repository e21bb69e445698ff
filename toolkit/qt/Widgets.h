// The Qt widgets that draw the toolkit's controls where Qt has no close match: the form's
// client area, the bevelled panel, the radio group, the status bar and the graph.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <vector>

#include "toolkit/TGraph.h"
#include "toolkit/TPanel.h"

namespace toolkit::qt {

// The top-level window; reports the user's resizing and closing.
class FormWidget : public QWidget {
 public:
  FormWidget() = default;
  std::function<void(int, int)> onResized;
  std::function<void()> onCloseRequested;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

// A panel: background, outer and inner bevel, centred caption.
class PanelWidget : public QWidget {
 public:
  explicit PanelWidget(QWidget* parent);
  void SetBevels(TBevelCut outer, TBevelCut inner);
  void SetCaption(const QString& caption);
  void SetTextColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TBevelCut outer_ = bvRaised;
  TBevelCut inner_ = bvNone;
  QString caption_;
  QColor textColor_ = Qt::black;
};

// A framed group of radio buttons arranged in columns, filled column by column.
class RadioGroupWidget : public QGroupBox {
 public:
  explicit RadioGroupWidget(QWidget* parent);
  void SetItems(const QStringList& items);
  void SetColumns(int columns);
  void SetItemIndex(int index);
  int ItemCount() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Button(int index) const;
  std::function<void(int)> onSelected;
  void Arrange();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QRadioButton*> buttons_;
  int columns_ = 1;
};

// A status bar with one simple panel: a sunken text field across the bar.
class StatusBarWidget : public QWidget {
 public:
  explicit StatusBarWidget(QWidget* parent);
  void SetText(const QString& text);
  const QString& Text() const { return text_; }
  void SetTextColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor textColor_ = Qt::black;
};

// A graph: a copy of the control's model, drawn by the graph painter.
class GraphWidget : public QWidget {
 public:
  explicit GraphWidget(QWidget* parent) : QWidget(parent) {}
  void SetModel(const TGraphModel& model);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TGraphModel model_;
};

// Draws a one-pixel bevel inside `rect`.
void DrawBevel(QPainter& painter, QRect rect, TBevelCut cut);

}  // namespace toolkit::qt
