#pragma once
// The header band (logo, title, item count) and the status bar (company
// link, file name or clock) around the canvas.
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;

namespace qh {

class ChartFonts;
class OverlayButton;

// Both bars carry labels (and the status bar a button) over the texts they
// paint, for the keyboard and assistive technology.
class HeaderBar final : public QWidget {
 public:
  HeaderBar(ChartFonts& fonts, QWidget* parent);
  void SetScale(float s) { s_ = s; }
  void SetItemCount(int count);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  ChartFonts& fonts_;
  float s_ = 1.0f;
  int itemCount_ = 0;
  QLabel* title_;
  QLabel* count_;
};

class StatusBar final : public QWidget {
  Q_OBJECT

 public:
  StatusBar(ChartFonts& fonts, QWidget* parent);
  void SetScale(float s) { s_ = s; }
  // Also refreshes the right text's label (the clock when text is empty).
  void SetStatusText(const QString& text);
  const QString& StatusText() const { return statusText_; }
  void SetHandCursor(const std::optional<QCursor>& cursor) { hand_ = cursor; }
  QPushButton* LinkButton() const;

 signals:
  void LinkClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool OnLink(QPointF pos) const;
  QString RightText() const;

  ChartFonts& fonts_;
  float s_ = 1.0f;
  QString statusText_;
  std::optional<QCursor> hand_;
  OverlayButton* link_;
  QLabel* right_;
};

// "数据项 n 项" of the header.
QString ItemCountText(int count);

}  // namespace qh
