#pragma once
// The owner-drawn navigation panel: five page items, the label option panel
// of the Bar and Line pages, and the version and upgrade labels.
#include "chart/chart_page.h"
#include "app/label_options.h"
#include "ui/main/window_layout.h"

#include <QWidget>
#include <array>
#include <optional>
#include <vector>

class QLabel;

namespace qh {

class ChartFonts;
class OverlayButton;
class OverlayCheckBox;

class NavPanel final : public QWidget {
  Q_OBJECT

 public:
  NavPanel(ChartFonts& fonts, const LabelOptions& options, QWidget* parent);

  void SetScale(float s) { s_ = s; }
  void SetNavIndex(int index) { navIndex_ = index; }
  int NavIndex() const { return navIndex_; }
  void SetNavTop(int top) { navTop_ = top; }
  void SetPage(ChartPage page) { page_ = page; }
  void SetHandCursor(const std::optional<QCursor>& cursor) { hand_ = cursor; }
  // The option panel makes room for the line colour row below its rows.
  void SetColorRowInPanel(bool inPanel) { colorRowInPanel_ = inPanel; }
  OptionPanelGeometry PanelGeometry(int rowCount) const;
  void LayoutLabels(const QString& versionText);

  // The option rows of the current page with their click rectangles.
  std::vector<OptionRow>& CurrentRows();

  QLabel* VersionLabel() const { return version_; }
  QLabel* UpgradeLabel() const { return upgrade_; }

  // The keyboard's and assistive technology's way to the painted items:
  // a button per navigation item (the current page's checked), a check box
  // per option row, a button over the upgrade label. Placed, named and
  // checked as painted; call after the page, rows or size change.
  void SyncControls();
  // In Tab order: the five items, the option rows, then the upgrade link.
  std::vector<QWidget*> FocusChain() const;

 signals:
  void LeftPressed(QPointF pos);
  void UpgradeClicked();
  void ItemActivated(int index);       // 0..4 by the keyboard
  void OptionActivated(int rowIndex);  // 1-based row by the keyboard

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintItems(QPainter& painter);
  void PaintOptionPanel(QPainter& painter);
  void PaintOptionRow(QPainter& painter, const OptionRow& row, const OptionPanelGeometry& g);

  ChartFonts& fonts_;
  const LabelOptions& options_;
  float s_ = 1.0f;
  int navIndex_ = 0;
  int navTop_ = 14;
  ChartPage page_ = ChartPage::Source;
  bool colorRowInPanel_ = false;
  std::optional<QCursor> hand_;
  std::vector<OptionRow> rows_;
  QLabel* version_;
  QLabel* upgrade_;
  std::array<OverlayButton*, kNavItemCount> items_{};
  std::array<OverlayCheckBox*, 4> optionBoxes_{};
  OverlayButton* upgradeButton_ = nullptr;
};

}  // namespace qh
