#include "ui/main/chart_view.h"

#include "ui/main/overlay_controls.h"

#include <QMouseEvent>
#include <utility>
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
  setFocusPolicy(Qt::StrongFocus);
  // A ring inside the view would cover the labels at its edges.
  setProperty(kRingOutside, true);
}

ChartView::~ChartView() { ForgetItemInterfaces(); }

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
  if (!highlight_.isEmpty()) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(highlight_, QColor(47, 128, 237, 40));
    painter.strokePath(highlight_, QPen(QColor(47, 128, 237, 160), 1.5));
  }
}

void ChartView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void ChartView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void ChartView::SetSpeech(ChartSpeech speech) {
  if (speech == speech_) return;
  const ChartSpeech old = std::exchange(speech_, std::move(speech));
  if (old.Items != speech_.Items) ForgetItemInterfaces();
  if (!QAccessible::isActive()) return;
  if (old.Name != speech_.Name) {
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
  if (old.Description != speech_.Description) {
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
  if (old.Items != speech_.Items) {
    QAccessibleEvent event(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
  }
  if (old.KeyItem != speech_.KeyItem && hasFocus()) AnnounceKeyItem(*this);
}

QAccessibleInterface* ChartView::ItemInterface(int index) const {
  if (index < 0 || index >= static_cast<int>(speech_.Items.size())) return nullptr;
  itemIds_.resize(speech_.Items.size(), 0);
  QAccessible::Id& id = itemIds_[static_cast<size_t>(index)];
  if (id == 0)
    id = QAccessible::registerAccessibleInterface(
        MakeChartItemInterface(const_cast<ChartView*>(this), index));
  return QAccessible::accessibleInterface(id);
}

void ChartView::ForgetItemInterfaces() {
  for (QAccessible::Id id : itemIds_)
    if (id != 0) QAccessible::deleteAccessibleInterface(id);
  itemIds_.clear();
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
