#include "ui/main/overlay_controls.h"

#include "ui/main/window_style.h"

#include <cmath>

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

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
  const WindowStyle st(s);
  const qreal width = st.RingPen;
  painter.setPen(QPen(color, width));
  painter.setBrush(Qt::NoBrush);
  const QRectF r = QRectF(widget.rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
  painter.drawRoundedRect(r, st.RingRadius, st.RingRadius);
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

FocusRing::FocusRing(float s) : s_(s) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  hide();
}

void FocusRing::Follow(QWidget* focus) {
  const bool standard =
      focus && focus->parentWidget() && !focus->isWindow() &&
      (qobject_cast<QLineEdit*>(focus) || qobject_cast<QComboBox*>(focus) ||
       qobject_cast<QAbstractScrollArea*>(focus) ||
       (qobject_cast<QAbstractButton*>(focus) && !qobject_cast<OverlayButton*>(focus) &&
        !qobject_cast<OverlayCheckBox*>(focus)) ||
       focus->property(kRingOutside).toBool());
  if (!standard || !focus->isVisible()) {
    hide();
    return;
  }
  if (parentWidget() != focus->parentWidget()) setParent(focus->parentWidget());
  const int margin = static_cast<int>(std::lround(WindowStyle(s_).OutsideRingMargin));
  setGeometry(focus->geometry().adjusted(-margin, -margin, margin, margin));
  raise();
  show();
  update();
}

void FocusRing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const WindowStyle st(s_);
  const qreal width = st.RingPen;
  painter.setPen(QPen(QColor(47, 128, 237), width));
  painter.setBrush(Qt::NoBrush);
  const QRectF r = QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
  painter.drawRoundedRect(r, st.OutsideRingRadius, st.OutsideRingRadius);
}

namespace {

constexpr int kShownTextRole = Qt::UserRole + 1;

// Draws the list's entries with their shown text.
class ShownTextDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString shown = index.data(kShownTextRole).toString();
    if (!shown.isEmpty()) option->text = shown;
  }
};

}  // namespace

NamedComboBox::NamedComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new ShownTextDelegate(this));
}

void NamedComboBox::AddEntry(const QString& shown, const QString& spoken) {
  addItem(spoken);
  setItemData(count() - 1, shown, kShownTextRole);
}

QString NamedComboBox::SpokenText(int index) const {
  return index >= 0 && index < count() ? itemText(index) : QString();
}

QString NamedComboBox::ShownText(int index) const {
  if (index < 0 || index >= count()) return {};
  const QString shown = itemData(index, kShownTextRole).toString();
  return shown.isEmpty() ? itemText(index) : shown;
}

void NamedComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = ShownText(currentIndex());
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace qh
