// Showing the model: the page, the source frame, the colour row and the
// texts of the header, the status bar and the source page.
#include "ui/main/main_window.h"

#include "app/line_colors.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "ui/main/nav_panel.h"
#include "ui/main/overlay_controls.h"
#include "ui/main/source_page.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>

namespace qh {
namespace {

int NavIndexOf(ChartPage page) {
  return page == ChartPage::Source ? 0 : static_cast<int>(page) + 1;
}

}  // namespace

// Brings every region in line with the model after an event; the picture
// is drawn again only when the model changed what it shows.
void MainWindow::ShowModel() {
  // First, while the controls of the page left are still there: hiding a
  // focused control would pass the focus on through its neighbours. The
  // chart is named for the new page before it gets the focus.
  UpdateChartSpeech();
  FollowPageWithFocus();
  // A tip names an item of a drawing no longer shown.
  if (model_.HoverIndex() == 0 && QToolTip::isVisible()) QToolTip::hideText();
  nav_->SetNavIndex(NavIndexOf(model_.Page()));
  nav_->SetPage(model_.Page());
  PlaceColorRow();
  nav_->SyncControls();
  SyncSourceView();
  nav_->update();
  source_->SetPathText(model_.PathText());
  source_->SetNotice(model_.Notice());
  SelectColorEntry();
  RepaintFrameBars();
  ChainTabOrder();
  if (model_.Revision() != drawnRevision_) {
    redrawPending_ = true;
    RenderCanvas();
  }
  UpdateChartSpeech();
  FollowFocus();
}

void MainWindow::FollowFocus() {
  if (!ring_) return;
  QWidget* focus = QApplication::focusWidget();
  // A control the keyboard reaches in a scrolled panel comes into view.
  for (QScrollArea* area : {navScroll_, sourceScroll_})
    if (focus && area->widget()->isAncestorOf(focus)) area->ensureWidgetVisible(focus);
  ring_->Follow(focus && focus->window() == this ? focus : nullptr);
}

// A page change takes the focus along: to the chart, or to the first field
// of the source page. Assistive technology announces the page by the name
// of what gets the focus (the chart's title, the "数据源" panel).
void MainWindow::FollowPageWithFocus() {
  const ChartPage page = model_.Page();
  if (focusPage_ == page || !alive_) return;
  focusPage_ = page;
  QWidget* target = image_;
  if (page == ChartPage::Source) {
    ShowSourceFrame();
    target = source_->PathBox();
  } else {
    image_->show();
  }
  if (!target->hasFocus()) {
    target->setFocus(Qt::OtherFocusReason);
    return;
  }
  // From one chart page to another the focus stays on the chart: say its
  // new name as if it had just arrived.
  QAccessibleEvent arrived(target, QAccessible::Focus);
  QAccessible::updateAccessibility(&arrived);
}

// Tab runs through the navigation, the option rows and the colour row, the
// upgrade link, the page, then the status bar's link; hidden and disabled
// controls are skipped. The colour row moves between hosts, so the chain is
// laid again after every change.
void MainWindow::ChainTabOrder() {
  std::vector<QWidget*> chain = nav_->FocusChain();
  QWidget* combo = source_->ColorCombo();
  if (combo->parentWidget() == nav_)
    chain.insert(chain.end() - 1, combo);
  else
    chain.push_back(combo);
  chain.push_back(image_);
  for (QWidget* w : source_->FocusChain()) chain.push_back(w);
  chain.push_back(status_->LinkButton());
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::UpdateChartSpeech() {
  image_->SetSpeech(
      {model_.ChartName(), model_.ChartDescription(), model_.SpokenItems(), model_.HoverIndex()});
}

// The colour row belongs to the source frame but is only visible while the
// frame is away: in the header band on the chart pages, or in the line
// page's option panel when the header is too narrow.
void MainWindow::PlaceColorRow() {
  const HeaderColorRow row =
      ComputeHeaderColorRow(layout_.Header.width(), layout_.Header.height(), s_);
  const ChartPage shown = model_.Page();
  const ColorRowPlace place = ChooseColorRowPlace(shown, row.Visible);
  nav_->SetColorRowInPanel(place == ColorRowPlace::OptionPanel);
  const OptionPanelGeometry panel =
      nav_->PanelGeometry(static_cast<int>(BuildOptionRows(shown, model_.Labels()).size()));
  if (place == ColorRowPlace::Header) {
    source_->PlaceColorRow(header_, row.Label, row.Combo, Qt::AlignRight);
  } else if (place == ColorRowPlace::OptionPanel && panel.Visible) {
    source_->PlaceColorRow(nav_, panel.ColorLabel, panel.ColorCombo, Qt::AlignLeft);
  } else {
    source_->PlaceColorRow(nullptr, {}, {}, {});
  }
}

void MainWindow::SyncSourceView() {
  ShowSourceFrame();
  image_->setVisible(!(model_.Page() == ChartPage::Source && alive_));
}

// Away from the source page the frame is hidden, not just moved off screen,
// so neither the keyboard nor assistive technology finds its controls.
void MainWindow::ShowSourceFrame() {
  sourceScroll_->setGeometry(layout_.Canvas);
  if (model_.Page() == ChartPage::Source && alive_) {
    sourceScroll_->show();
    sourceScroll_->raise();
    source_->update();
  } else {
    sourceScroll_->hide();
  }
}

// The header's count and the status text are both read from the table here,
// so a load that failed and emptied it leaves no stale name beside "0 项".
void MainWindow::RepaintFrameBars() {
  header_->SetItemCount(model_.Table().ItemCount());
  header_->update();
  status_->SetStatusText(model_.StatusText());
  status_->update();
}

void MainWindow::OnNavPressed(QPointF pos) {
  const float x = static_cast<float>(pos.x()), y = static_cast<float>(pos.y());
  if (model_.ToggleOptionAt(nav_->CurrentRows(), x, y)) {
    ShowModel();
    return;
  }
  OnNavItem(
      NavHitTest(x, y, static_cast<float>(nav_->width()), static_cast<float>(layout_.NavTop), s_));
}

void MainWindow::OnNavItem(int index) {
  switch (index) {
    case 0: model_.ShowPage(ChartPage::Source); break;
    case 1: model_.ShowPage(ChartPage::Bar); break;
    case 2: model_.ShowPage(ChartPage::Pie); break;
    case 3: model_.ShowPage(ChartPage::Line); break;
    case 4: close(); return;
    default: return;
  }
  ShowModel();
}

void MainWindow::OnOptionKey(int rowIndex) {
  if (model_.ToggleOption(nav_->CurrentRows(), rowIndex)) ShowModel();
}

void MainWindow::FillColorList() {
  suppressColorClick_ = true;
  NamedComboBox* combo = source_->ColorCombo();
  combo->clear();
  for (int i = 0; i < kLineColorCount; ++i)
    combo->AddEntry(LineColorEntryText(i), LineColorSpokenText(i));
  suppressColorClick_ = false;
  SelectColorEntry();
}

void MainWindow::SelectColorEntry() {
  QComboBox* combo = source_->ColorCombo();
  if (combo->currentIndex() == model_.LineColorChoice()) return;
  suppressColorClick_ = true;
  combo->setCurrentIndex(model_.LineColorChoice());
  suppressColorClick_ = false;
}

void MainWindow::OnColorPicked(int index) {
  if (suppressColorClick_) return;
  model_.ChooseLineColor(index);
  ShowModel();
}

}  // namespace qh
