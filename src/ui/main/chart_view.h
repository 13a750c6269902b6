#pragma once
// The chart image over the canvas area: shows the last rendered picture at
// its own size, highlights the element under the mouse and reports mouse
// moves, the wheel (paging) and right-button releases (context menu). It
// takes the keyboard focus and tells assistive technology what it shows.
#include "app/window_model.h"

#include <QAccessible>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

namespace qh {

// A picture for a canvas of logicalSize (in the window's pixels) drawn at
// the screen's own pixels: devicePixelRatio times as many, marked so that
// painting it takes up logicalSize again. Null when memory runs out.
QImage NewChartPicture(QSize logicalSize, qreal devicePixelRatio);
// The size in device pixels of that picture, and back.
QSize ChartPicturePixels(QSize logicalSize, qreal devicePixelRatio);
QSize ChartPictureLogicalSize(const QImage& picture);

// The chart as assistive technology hears it.
struct ChartSpeech {
  QString Name;         // the chart's title
  QString Description;  // its subtitle
  std::vector<SpokenItem> Items;
  int KeyItem = 0;  // the row under the keyboard, 0 for none
  friend bool operator==(const ChartSpeech&, const ChartSpeech&) = default;
};

class ChartView final : public QWidget {
  Q_OBJECT

 public:
  explicit ChartView(QWidget* parent);
  ~ChartView() override;

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  bool HasPicture() const { return !picture_.isNull(); }
  // An empty outline removes the highlight.
  void SetHighlight(const QPainterPath& outline);

  // Announces what changed: the name, the description, the items, the item
  // under the keyboard.
  void SetSpeech(ChartSpeech speech);
  const ChartSpeech& Speech() const { return speech_; }
  // The accessible child for item position index, made on first use and
  // kept until the items change.
  QAccessibleInterface* ItemInterface(int index) const;

 signals:
  void MouseMoved(QPointF pos);
  void WheelTurned(int angleDelta);
  void RightReleased(QPoint globalPos);
  // The picture was drawn for another device pixel ratio (the window moved
  // to a screen of another scale): it should be drawn again.
  void PictureOutOfDate();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ForgetItemInterfaces();

  QImage picture_;
  QPainterPath highlight_;
  ChartSpeech speech_;
  mutable std::vector<QAccessible::Id> itemIds_;  // 0: not made yet
};

// The chart's accessible interface, its child for item position index (the
// view owns it), and the news that the item under the keyboard is focused.
QAccessibleInterface* MakeChartAccessible(ChartView* view);
QAccessibleInterface* MakeChartItemInterface(ChartView* view, int index);
void AnnounceKeyItem(ChartView& view);

}  // namespace qh
