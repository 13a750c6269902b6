#include "ui/main/nav_panel.h"

#include "chart/canvas.h"
#include "chart/chart_fonts.h"
#include "ui/main/overlay_controls.h"
#include "ui/main/window_layout.h"
#include "ui/main/window_style.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace qh {
namespace {

const char16_t* const kNavCaptions[kNavItemCount] = {u"数据源", u"柱形图", u"饼形图", u"曲线图",
                                                     u"退出"};

QFont PanelFont(const QString& family, int px, bool bold) {
  QFont font(family);
  font.setPixelSize(std::max(1, px));
  font.setBold(bold);
  return font;
}

}  // namespace

NavPanel::NavPanel(ChartFonts& fonts, const LabelOptions& options, QWidget* parent)
    : QWidget(parent), fonts_(fonts), options_(options) {
  setMouseTracking(true);
  version_ = new QLabel(this);
  upgrade_ = new QLabel(this);
  for (QLabel* label : {version_, upgrade_}) {
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->raise();
  }
  version_->setStyleSheet(QStringLiteral("color: rgb(124, 138, 160); background: transparent;"));
  upgrade_->setStyleSheet(QStringLiteral("color: rgb(111, 168, 220); background: transparent;"));
  upgrade_->installEventFilter(this);
  // On the dark panel the focus ring is white.
  const QColor ring(255, 255, 255);
  for (int i = 0; i < kNavItemCount; ++i) {
    items_[static_cast<size_t>(i)] =
        new OverlayButton(QString::fromUtf16(kNavCaptions[i]), ring, this);
    connect(items_[static_cast<size_t>(i)], &QPushButton::clicked, this,
            [this, i] { emit ItemActivated(i); });
  }
  for (size_t i = 0; i < optionBoxes_.size(); ++i) {
    optionBoxes_[i] = new OverlayCheckBox(this);
    connect(optionBoxes_[i], &QCheckBox::clicked, this,
            [this, i] { emit OptionActivated(static_cast<int>(i) + 1); });
  }
  upgradeButton_ = new OverlayButton(QStringLiteral("【升级到最新版】"), ring, this);
  connect(upgradeButton_, &QPushButton::clicked, this, &NavPanel::UpgradeClicked);
}

void NavPanel::SyncControls() {
  const float s = s_;
  const WindowStyle st(s);
  const float w = static_cast<float>(width());
  for (int i = 0; i < kNavItemCount; ++i) {
    OverlayButton* item = items_[static_cast<size_t>(i)];
    const float t = NavItemTop(i, static_cast<float>(navTop_), s);
    item->SetScale(s);
    item->setGeometry(
        QRectF(st.NavItemInset, t, w - 2 * st.NavItemInset, st.NavItemH).toAlignedRect());
    // The current page's item is pressed; 退出 is a plain command.
    item->setCheckable(i < kNavItemCount - 1);
    item->setChecked(i == navIndex_);
  }
  const std::vector<OptionRow>& rows = CurrentRows();
  for (size_t i = 0; i < optionBoxes_.size(); ++i) {
    OverlayCheckBox* box = optionBoxes_[i];
    if (i >= rows.size()) {
      box->hide();
      continue;
    }
    const OptionRow& row = rows[i];
    box->SetScale(s);
    // Rounded edges: rows that meet at a fraction of a pixel stay apart.
    box->setGeometry(QRect(QPoint(RoundPixel(row.Left), RoundPixel(row.Top)),
                           QPoint(RoundPixel(row.Right) - 1, RoundPixel(row.Bottom) - 1)));
    box->setText(OptionCaption(std::clamp(row.CaptionIndex, 0, 3)));
    box->setChecked(row.Checked);
    box->setEnabled(row.Enabled);
    box->show();
  }
  upgradeButton_->SetScale(s);
  upgradeButton_->setGeometry(upgrade_->geometry());
  upgradeButton_->raise();
}

std::vector<QWidget*> NavPanel::FocusChain() const {
  std::vector<QWidget*> chain(items_.begin(), items_.end());
  chain.insert(chain.end(), optionBoxes_.begin(), optionBoxes_.end());
  chain.push_back(upgradeButton_);
  return chain;
}

void NavPanel::LayoutLabels(const QString& versionText) {
  version_->setText(QStringLiteral("版本:") + versionText);
  upgrade_->setText(QStringLiteral("【升级到最新版】"));
  QFont font = PanelFont(fonts_.Family(), PointsToPixels(9.75, s_), false);
  version_->setFont(font);
  upgrade_->setFont(font);
  version_->setGeometry(NavVersionLabelRect(width(), height(), s_));
  upgrade_->setGeometry(NavUpgradeLabelRect(width(), height(), s_));
  upgrade_->setCursor(hand_.value_or(QCursor(Qt::PointingHandCursor)));
}

OptionPanelGeometry NavPanel::PanelGeometry(int rowCount) const {
  return ComputeOptionPanel(static_cast<float>(width()), static_cast<float>(height()), rowCount, s_,
                            colorRowInPanel_);
}

std::vector<OptionRow>& NavPanel::CurrentRows() {
  rows_ = BuildOptionRows(page_, options_);
  const OptionPanelGeometry g = PanelGeometry(static_cast<int>(rows_.size()));
  if (!g.Visible) rows_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].Left = static_cast<float>(g.Rows[i].left());
    rows_[i].Top = static_cast<float>(g.Rows[i].top());
    rows_[i].Right = static_cast<float>(g.Rows[i].right());
    rows_[i].Bottom = static_cast<float>(g.Rows[i].bottom());
  }
  return rows_;
}

void NavPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.fillRect(rect(), ToColor(0xFF1F293A));
  for (const NavDecoration& d : NavDecorations(static_cast<float>(width()), s_))
    FillRectF(painter, d.Rect, d.Argb);
  PaintItems(painter);
  PaintOptionPanel(painter);
}

void NavPanel::PaintItems(QPainter& painter) {
  const float s = s_;
  const WindowStyle st(s);
  const float w = static_cast<float>(width());
  for (int i = 0; i < kNavItemCount; ++i) {
    const float t = NavItemTop(i, static_cast<float>(navTop_), s);
    quint32 textColor = 0xFFC8D4E4;
    if (i == navIndex_) {
      FillRectF(painter, QRectF(st.NavItemInset, t, w - 2 * st.NavItemInset, st.NavItemH),
                0xFF26344A);
      FillRectF(painter, QRectF(0, t + st.NavMarkY, st.NavMarkW, st.NavMarkH), 0xFF2F80ED);
      textColor = 0xFFFFFFFF;
    }
    DrawTextBox(painter, fonts_.Normal, QString::fromUtf16(kNavCaptions[i]),
                NavCaptionRect(i, w, static_cast<float>(navTop_), s), textColor, TextAlign::Near);
  }
}

void NavPanel::PaintOptionPanel(QPainter& painter) {
  const std::vector<OptionRow>& rows = CurrentRows();
  if (rows.empty()) return;
  const WindowStyle st(s_);
  const OptionPanelGeometry g = PanelGeometry(static_cast<int>(rows.size()));
  const QRectF p = g.Panel;
  const float in = st.OptionInset;
  painter.fillRect(p, ToColor(0xFFFFFFFF));
  painter.setPen(QPen(ToColor(0xFFD8DEE8), st.OptionLinePen));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(p);
  FontFace title;
  title.Set(PanelFont(fonts_.Family(), RoundPixel(st.OptionTitleFontPx), true));
  DrawTextBox(painter, title, OptionPanelTitle(page_),
              QRectF(p.left() + in, p.top() + st.OptionTitleY, p.width() - 2 * in, st.OptionTitleH),
              0xFF33404F, TextAlign::Near);
  painter.setPen(QPen(ToColor(0xFFE3E9F2), st.OptionLinePen));
  painter.drawLine(QPointF(p.left() + in, p.top() + st.OptionRuleY),
                   QPointF(p.right() - in, p.top() + st.OptionRuleY));
  for (const OptionRow& row : rows) PaintOptionRow(painter, row, g);
}

void NavPanel::PaintOptionRow(QPainter& painter, const OptionRow& row,
                              const OptionPanelGeometry& g) {
  const WindowStyle st(s_);
  const float h = g.RowHeight;
  const float b = st.OptionBox;
  const float pX = static_cast<float>(g.Panel.left());
  const float x = pX + st.OptionInset + b + st.OptionBoxGap;
  const float y = row.Top;
  const QRectF box(pX + st.OptionInset, y + (h - b) / 2, b, b);
  painter.setBrush(ToColor(0xFFFFFFFF));
  painter.setPen(QPen(ToColor(row.Enabled ? 0xFF8A94A6 : 0xFFC9CFDA), st.OptionLinePen));
  painter.drawRect(box);
  painter.setBrush(Qt::NoBrush);
  if (row.Checked) {
    painter.setPen(QPen(ToColor(0xFF2F80ED), st.OptionTickPen));
    const QPointF tick[] = {box.topLeft() + QPointF(st.OptionTickX1, st.OptionTickY1),
                            box.topLeft() + QPointF(st.OptionTickX2, st.OptionTickY2),
                            box.topLeft() + QPointF(st.OptionTickX3, st.OptionTickY3)};
    painter.drawPolyline(tick, 3);
  }
  quint32 color = 0xFFB4BCC8;
  if (row.Enabled) color = row.Checked ? 0xFF2F80ED : 0xFF33404F;
  FontFace face;
  face.Set(PanelFont(fonts_.Family(), RoundPixel(st.OptionCaptionFontPx), false));
  DrawTextBox(painter, face, OptionCaption(std::clamp(row.CaptionIndex, 0, 3)),
              QRectF(x, y, static_cast<float>(g.Panel.right()) - st.OptionInset - x, h), color,
              TextAlign::Near);
}

void NavPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  const bool onItem = NavHitTest(static_cast<float>(pos.x()), static_cast<float>(pos.y()),
                                 static_cast<float>(width()), static_cast<float>(navTop_), s_) >= 0;
  if (onItem && hand_)
    setCursor(*hand_);
  else
    unsetCursor();
}

void NavPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit LeftPressed(event->position());
}

bool NavPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == upgrade_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit UpgradeClicked();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qh
