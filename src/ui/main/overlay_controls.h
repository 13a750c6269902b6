#pragma once
// Controls laid over the hand-painted regions (navigation items, option
// rows, links, header and status texts) so the keyboard and assistive
// technology reach what is painted there. They paint nothing but a focus
// ring and let the mouse through to the painted region, which keeps its
// own hit tests.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace qh {

// The focus ring: a rounded outline just inside rect, 2 px wide per scale.
void PaintFocusRing(QWidget& widget, QColor color, float s);

// A push button over a painted caption. Space and Enter press it. A
// checkable one is a toggle button to assistive technology.
class OverlayButton final : public QPushButton {
  Q_OBJECT

 public:
  OverlayButton(const QString& caption, QColor ring, QWidget* parent);
  void SetScale(float s) { s_ = s; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void nextCheckState() override {}  // the owner sets the checked state

 private:
  QColor ring_;
  float s_ = 1.0f;
};

// A check box over a painted option row. Space and Enter toggle it; the
// owner sets the checked state from what it paints.
class OverlayCheckBox final : public QCheckBox {
  Q_OBJECT

 public:
  explicit OverlayCheckBox(QWidget* parent);
  void SetScale(float s) { s_ = s; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void nextCheckState() override {}  // the owner decides what a toggle does

 private:
  float s_ = 1.0f;
};

// A text the region paints, exposed as a label.
class OverlayLabel final : public QLabel {
 public:
  explicit OverlayLabel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override {}
};

// The focus ring of the standard controls (text boxes, buttons, the colour
// list), whose own focus cue in the Fusion style is a faint tint, and of
// controls marked with kRingOutside (the chart, whose own edge holds
// drawing): a ring laid around the control with the focus, among its
// siblings. The overlays draw their own ring and get none from here.
inline constexpr char kRingOutside[] = "qhRingOutside";
class FocusRing final : public QWidget {
 public:
  explicit FocusRing(float s);
  // Moves to the control with the focus, or hides.
  void Follow(QWidget* focus);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  float s_;
};

// A drop-down list named by its accessibleName, its entry being its value
// (Qt on Linux would name it by the entry). An entry may be shown with
// other text than it is spoken with (columns padded for the eye): Qt
// announces every change with the entry's item text, so the item text is
// the spoken one and the shown text is drawn in its place.
class NamedComboBox final : public QComboBox {
  Q_OBJECT

 public:
  explicit NamedComboBox(QWidget* parent);
  void AddEntry(const QString& shown, const QString& spoken);
  // Entry index as assistive technology hears it; empty outside the list.
  QString SpokenText(int index) const;
  // Entry index as the eye sees it; empty outside the list.
  QString ShownText(int index) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qh
