#include "ui/main/frame_bars.h"

#include "app/settings.h"
#include "chart/canvas.h"
#include "chart/chart_fonts.h"
#include "ui/main/overlay_controls.h"
#include "ui/main/window_layout.h"
#include "ui/main/window_style.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>

namespace qh {
namespace {

void BeginPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
}

QRectF TitleRect(const WindowStyle& st, float W) {
  return QRectF(st.TitleX, st.TitleY, std::max(W - st.TitleRightReserve, st.TitleMinW), st.TitleH);
}

QRectF CountRect(const WindowStyle& st, float W) {
  return QRectF(W - st.CountRightReserve, st.TitleY, st.CountW, st.TitleH);
}

QRectF RightRect(const WindowStyle& st, float W, float H) {
  return QRectF(0.62f * W, 0, 0.38f * W - st.StatusRightMargin, H);
}

const QString kLinkText = QStringLiteral("青禾软件有限公司  ( 点这里关注微信公众号 )");

}  // namespace

QString ItemCountText(int count) { return QStringLiteral("数据项 %1 项").arg(count); }

HeaderBar::HeaderBar(ChartFonts& fonts, QWidget* parent)
    : QWidget(parent),
      fonts_(fonts),
      title_(new OverlayLabel(this)),
      count_(new OverlayLabel(this)) {
  title_->setText(QString::fromUtf8(kWindowTitle));
  count_->setText(ItemCountText(itemCount_));
}

void HeaderBar::SetItemCount(int count) {
  itemCount_ = count;
  count_->setText(ItemCountText(count));
}

void HeaderBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const WindowStyle st(s_);
  const float W = static_cast<float>(width());
  // The title's label covers its text, never the item count beside it.
  QRectF title = TitleRect(st, W);
  title.setWidth(std::min<qreal>(title.width(), st.TitleTextW));
  title_->setGeometry(title.toAlignedRect());
  count_->setGeometry(CountRect(st, W).toAlignedRect());
}

void HeaderBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  BeginPaint(painter);
  const WindowStyle st(s_);
  const float W = static_cast<float>(width()), H = static_cast<float>(height());
  painter.fillRect(rect(), Qt::white);
  FillRectF(painter, QRectF(0, 0, st.AccentStripW, H), 0xFF2F80ED);
  FillRectF(painter, QRectF(st.LogoBar1X, st.LogoBar1Y, st.LogoBarW, st.LogoBar1H), 0xFFF28E2B);
  FillRectF(painter, QRectF(st.LogoBar2X, st.LogoBar2Y, st.LogoBarW, st.LogoBar2H), 0xFFE15759);
  FillRectF(painter, QRectF(st.LogoBar3X, st.LogoBar3Y, st.LogoBarW, st.LogoBar3H), 0xFF59A14F);
  DrawTextBox(painter, fonts_.Title, QString::fromUtf8(kWindowTitle), TitleRect(st, W), 0xFF223344,
              TextAlign::Near);
  DrawTextBox(painter, fonts_.Normal, ItemCountText(itemCount_), CountRect(st, W), 0xFF55607A,
              TextAlign::Far);
  FillRectF(painter, QRectF(0, H - 1, W, 1), 0xFFE3E9F2);
}

StatusBar::StatusBar(ChartFonts& fonts, QWidget* parent)
    : QWidget(parent),
      fonts_(fonts),
      link_(new OverlayButton(kLinkText, QColor(47, 128, 237), this)),
      right_(new OverlayLabel(this)) {
  setMouseTracking(true);
  connect(link_, &QPushButton::clicked, this, &StatusBar::LinkClicked);
  right_->setText(RightText());
}

QPushButton* StatusBar::LinkButton() const { return link_; }

void StatusBar::SetStatusText(const QString& text) {
  statusText_ = text;
  right_->setText(RightText());
}

QString StatusBar::RightText() const {
  return statusText_.isEmpty()
             ? QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
             : statusText_;
}

void StatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const WindowStyle st(s_);
  const float W = static_cast<float>(width()), H = static_cast<float>(height());
  link_->SetScale(s_);
  // The ring goes round the painted text, which may run past the 250 s a
  // click answers to.
  const qreal text = fonts_.Normal.Metrics.horizontalAdvance(kLinkText);
  const qreal linkWidth =
      std::min<qreal>(std::max<qreal>(st.LinkHitW, text + st.LinkTextPad), 0.62 * W - st.LinkX);
  link_->setGeometry(QRectF(st.LinkX, 0, linkWidth, H).toAlignedRect());
  right_->setGeometry(RightRect(st, W, H).toAlignedRect());
}

void StatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  BeginPaint(painter);
  const WindowStyle st(s_);
  const float W = static_cast<float>(width()), H = static_cast<float>(height());
  painter.fillRect(rect(), Qt::white);
  FillRectF(painter, QRectF(0, 0, W, 1), 0xFFE3E9F2);
  DrawTextBox(painter, fonts_.Normal, kLinkText, QRectF(st.LinkTextX, 0, 0.62f * W, H), 0xFF2F80ED,
              TextAlign::Near);
  painter.setPen(QPen(ToColor(0xFF2F80ED), 1));
  painter.drawLine(QPointF(st.LinkRuleX1, H - st.LinkRuleRise),
                   QPointF(st.LinkRuleX2, H - st.LinkRuleRise));
  DrawTextBox(painter, fonts_.Normal, RightText(), RightRect(st, W, H), 0xFF8A94A6, TextAlign::Far);
}

bool StatusBar::OnLink(QPointF pos) const {
  return LinkHitTest(static_cast<float>(pos.x()), static_cast<float>(pos.y()),
                     static_cast<float>(height()), s_);
}

void StatusBar::mouseMoveEvent(QMouseEvent* event) {
  if (OnLink(event->position()) && hand_)
    setCursor(*hand_);
  else
    unsetCursor();
}

void StatusBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnLink(event->position())) emit LinkClicked();
}

}  // namespace qh
