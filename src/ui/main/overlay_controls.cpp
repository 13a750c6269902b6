#include "ui/main/overlay_controls.h"

#include <QKeyEvent>
#include <QPainter>

namespace qh {
namespace {

void MakeOverlay(QWidget& widget) {
  widget.setAttribute(Qt::WA_TransparentForMouseEvents);
  widget.setAttribute(Qt::WA_NoSystemBackground);
  widget.setAutoFillBackground(false);
}

bool IsEnter(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

}  // namespace

void PaintFocusRing(QWidget& widget, QColor color, float s) {
  if (!widget.hasFocus()) return;
  QPainter painter(&widget);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal width = 2.0 * s;
  painter.setPen(QPen(color, width));
  painter.setBrush(Qt::NoBrush);
  const QRectF r = QRectF(widget.rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
  painter.drawRoundedRect(r, 3.0 * s, 3.0 * s);
}

OverlayButton::OverlayButton(const QString& caption, QColor ring, QWidget* parent)
    : QPushButton(caption, parent), ring_(ring) {
  MakeOverlay(*this);
  setFocusPolicy(Qt::StrongFocus);
  setAutoDefault(false);
}

void OverlayButton::paintEvent(QPaintEvent*) { PaintFocusRing(*this, ring_, s_); }

void OverlayButton::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(*event) && event->modifiers() == Qt::NoModifier) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

OverlayCheckBox::OverlayCheckBox(QWidget* parent) : QCheckBox(parent) {
  MakeOverlay(*this);
  setFocusPolicy(Qt::StrongFocus);
}

void OverlayCheckBox::paintEvent(QPaintEvent*) { PaintFocusRing(*this, QColor(47, 128, 237), s_); }

void OverlayCheckBox::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(*event) && event->modifiers() == Qt::NoModifier) {
    click();
    return;
  }
  QCheckBox::keyPressEvent(event);
}

OverlayLabel::OverlayLabel(QWidget* parent) : QLabel(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

}  // namespace qh
