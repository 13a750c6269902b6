#include "ui/main/chart_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QtMath>

namespace qh {

QSize ChartPicturePixels(QSize logicalSize, qreal devicePixelRatio) {
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  // Whole device pixels covering the canvas; a fractional ratio leaves the
  // last row and column partly outside, where the view clips them.
  return {qCeil(logicalSize.width() * ratio), qCeil(logicalSize.height() * ratio)};
}

QSize ChartPictureLogicalSize(const QImage& picture) {
  const qreal ratio = picture.devicePixelRatio();
  constexpr qreal kSlack = 1e-6;  // the division need not land exactly on a whole pixel
  return {qFloor(picture.width() / ratio + kSlack), qFloor(picture.height() / ratio + kSlack)};
}

QImage NewChartPicture(QSize logicalSize, qreal devicePixelRatio) {
  QImage picture(ChartPicturePixels(logicalSize, devicePixelRatio),
                 QImage::Format_ARGB32_Premultiplied);
  if (!picture.isNull()) picture.setDevicePixelRatio(devicePixelRatio > 0 ? devicePixelRatio : 1.0);
  return picture;
}

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void ChartView::SetHighlight(const QPainterPath& outline) {
  if (outline == highlight_) return;
  highlight_ = outline;
  update();
}

void ChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
  if (!picture_.isNull() && picture_.devicePixelRatio() != devicePixelRatioF())
    emit PictureOutOfDate();
  if (highlight_.isEmpty()) return;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(highlight_, QColor(47, 128, 237, 40));
  painter.strokePath(highlight_, QPen(QColor(47, 128, 237, 160), 1.5));
}

void ChartView::mouseMoveEvent(QMouseEvent* event) { emit MouseMoved(event->position()); }

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) emit RightReleased(event->globalPosition().toPoint());
}

void ChartView::wheelEvent(QWheelEvent* event) {
  emit WheelTurned(event->angleDelta().y());
  event->accept();
}

}  // namespace qh
