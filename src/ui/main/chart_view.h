#pragma once
// The chart image over the canvas area: shows the last rendered picture at
// its own size, highlights the element under the mouse and reports mouse
// moves, the wheel (paging) and right-button releases (context menu).
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

class ChartView final : public QWidget {
  Q_OBJECT

 public:
  explicit ChartView(QWidget* parent);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  bool HasPicture() const { return !picture_.isNull(); }
  // An empty outline removes the highlight.
  void SetHighlight(const QPainterPath& outline);

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

 private:
  QImage picture_;
  QPainterPath highlight_;
};

}  // namespace qh
