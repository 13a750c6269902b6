#include "ui/main/chart_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace qh {

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
