#pragma once
// The header band (logo, title, item count) and the status bar (company
// link, file name or clock) around the canvas.
#include <QWidget>
#include <optional>

namespace qh {

class ChartFonts;

class HeaderBar final : public QWidget {
 public:
  HeaderBar(ChartFonts& fonts, QWidget* parent) : QWidget(parent), fonts_(fonts) {}
  void SetScale(float s) { s_ = s; }
  void SetItemCount(int count) { itemCount_ = count; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ChartFonts& fonts_;
  float s_ = 1.0f;
  int itemCount_ = 0;
};

class StatusBar final : public QWidget {
  Q_OBJECT

 public:
  StatusBar(ChartFonts& fonts, QWidget* parent);
  void SetScale(float s) { s_ = s; }
  void SetStatusText(const QString& text) { statusText_ = text; }
  const QString& StatusText() const { return statusText_; }
  void SetHandCursor(const std::optional<QCursor>& cursor) { hand_ = cursor; }

 signals:
  void LinkClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool OnLink(QPointF pos) const;

  ChartFonts& fonts_;
  float s_ = 1.0f;
  QString statusText_;
  std::optional<QCursor> hand_;
};

// "数据项 n 项" of the header.
QString ItemCountText(int count);

}  // namespace qh
