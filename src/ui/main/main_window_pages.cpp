// Page switching, the source page's loads and the line colour choice.
#include "ui/main/main_window.h"

#include "base/ini_file.h"
#include "app/startup.h"
#include "base/text_utils.h"
#include "base/user_messages.h"
#include "data/source_loader.h"
#include "ui/main/capacity.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "app/line_colors.h"
#include "ui/main/nav_panel.h"
#include "ui/main/source_page.h"
#include "ui/main/window_commands.h"
#include "ui/services/file_dialogs.h"

#include <QApplication>
#include <QComboBox>

namespace qh {
namespace {

LoadLimits LimitsOf(const Settings& config) { return {config.MaxItems, config.MaxPoints}; }

int NavIndexOf(ChartPage page) {
  return page == ChartPage::Source ? 0 : static_cast<int>(page) + 1;
}

}  // namespace

int MainWindow::NavIndex() const { return nav_->NavIndex(); }

void MainWindow::SwitchPage(ChartPage page) {
  if (page != ChartPage::Source && state_.Table.ItemCount() == 0) {
    currentPage_ = ChartPage::Source;
    nav_->SetNavIndex(0);
    RefreshNav();
    ApplyPageState();
    messages_.Show(ReasonAndHint(QStringLiteral("尚无可用数据,无法生成图表."),
                                 QStringLiteral("请先在[数据源]页面选择数据文件,或直接输入 "
                                                "项目,数值 多行数据.")),
                   MessageIcon::Exclamation);
    return;
  }
  currentPage_ = page;
  nav_->SetNavIndex(NavIndexOf(page));
  ApplyPageState();
  CheckPageCapacity();
}

void MainWindow::ApplyPageState() {
  if (currentPage_ != ChartPage::Source && state_.Table.ItemCount() == 0)
    currentPage_ = ChartPage::Source;
  nav_->SetNavIndex(NavIndexOf(currentPage_));
  ShowSourcePage(currentPage_ == ChartPage::Source);
  RefreshNav();
  RequestRedraw();
  UpdateStatusTexts();
  RepaintFrameBars();
}

void MainWindow::ShowSourcePage(bool show) {
  sourceShown_ = show;
  PlaceColorRow();
  SyncSourceView();
}

// The colour row belongs to the source frame but is only visible while the
// frame is away: in the header band on the chart pages, or in the line
// page's option panel when the header is too narrow.
void MainWindow::PlaceColorRow() {
  const HeaderColorRow row =
      ComputeHeaderColorRow(layout_.Header.width(), layout_.Header.height(), s_);
  const ChartPage shown = sourceShown_ ? ChartPage::Source : currentPage_;
  const ColorRowPlace place = ChooseColorRowPlace(shown, row.Visible);
  nav_->SetColorRowInPanel(place == ColorRowPlace::OptionPanel);
  nav_->SetPage(shown);
  const OptionPanelGeometry panel =
      nav_->PanelGeometry(static_cast<int>(BuildOptionRows(shown, state_.Labels).size()));
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
  image_->setVisible(!(sourceShown_ && alive_));
}

void MainWindow::ShowSourceFrame() {
  const QRect& r = layout_.Canvas;
  if (sourceShown_ && alive_) {
    source_->setGeometry(r);
    source_->raise();
    source_->update();
  } else {
    source_->setGeometry(-1400, -1400, r.width(), r.height());
  }
}

void MainWindow::RefreshNav() {
  nav_->SetPage(currentPage_);
  nav_->update();
}

// The header's count and the status text are both read from the table here,
// so a load that failed and emptied it leaves no stale name beside "0 项".
void MainWindow::RepaintFrameBars() {
  header_->SetItemCount(state_.Table.ItemCount());
  header_->update();
  UpdateStatusTexts();
  status_->update();
}

void MainWindow::UpdateStatusTexts() {
  statusText_ = StatusTextFor(state_.Table.SourcePath, state_.Table.ItemCount());
  status_->SetStatusText(statusText_);
}

void MainWindow::OnNavPressed(QPointF pos) {
  const float x = static_cast<float>(pos.x()), y = static_cast<float>(pos.y());
  if (HitTestOptionRows(nav_->CurrentRows(), x, y, state_.Labels, IniFile(state_.SettingsPath))) {
    RefreshNav();
    redrawPending_ = true;
    RenderCanvas();
    return;
  }
  switch (NavHitTest(x, y, static_cast<float>(nav_->width()), static_cast<float>(layout_.NavTop),
                     s_)) {
    case 0: SwitchPage(ChartPage::Source); break;
    case 1: SwitchPage(ChartPage::Bar); break;
    case 2: SwitchPage(ChartPage::Pie); break;
    case 3: SwitchPage(ChartPage::Line); break;
    case 4: close(); break;
    default: break;
  }
}

void MainWindow::OnBrowse() {
  QString chosen;
  if (!dialogs_.PickSourceFile(this, state_.Table.SourcePath, chosen)) return;
  state_.Table.SourcePath = chosen;
  source_->SetPathText(chosen);
  ShowBusy();
  const bool ok = LoadSourceFile(chosen, LimitsOf(state_.Config), state_.Table, &state_.Log);
  ShowIdle();
  if (!ok) {
    messages_.Show(ReasonAndHint(state_.Table.LastError, state_.Table.LastHint),
                   MessageIcon::Exclamation);
    RepaintFrameBars();
    return;
  }
  AfterDataLoaded();
}

bool MainWindow::ReloadSource() {
  if (!LoadSourceFile(state_.Table.SourcePath, LimitsOf(state_.Config), state_.Table,
                      &state_.Log)) {
    ShowLoadFailure();
    return false;
  }
  source_->SetPathText(state_.Table.SourcePath);
  source_->SetNotice(QString());
  AfterDataLoaded();
  return true;
}

void MainWindow::ShowLoadFailure() {
  source_->SetNotice(state_.Table.LastError + QStringLiteral("\r\n") + state_.Table.LastHint);
  RepaintFrameBars();
  messages_.Show(ReasonAndHint(state_.Table.LastError, state_.Table.LastHint),
                 MessageIcon::Exclamation);
}

void MainWindow::OnApply() {
  const QString text = source_->ManualText();
  if (IsBlank(text)) {
    messages_.Show(QStringLiteral("请先输入数据,每行一项,格式为项目,数值."),
                   MessageIcon::Information);
    return;
  }
  if (!ParseManualInput(text, LimitsOf(state_.Config), state_.Table)) {
    ShowLoadFailure();
    return;
  }
  state_.Table.SourcePath.clear();
  source_->SetNotice(QString());
  AfterDataLoaded();
}

void MainWindow::AfterDataLoaded() {
  currentPage_ = ChartPage::Bar;
  nav_->SetNavIndex(1);
  ApplyPageState();
  if (!state_.Table.SourcePath.isEmpty())
    IniFile(state_.SettingsPath)
        .IniWrite(settings_keys::kRecent, settings_keys::kLastFile, state_.Table.SourcePath);
}

void MainWindow::ShowBusy() {
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::ShowIdle() {
  busy_ = false;
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void MainWindow::CheckPageCapacity() {
  const CapacityCheck check =
      CheckCapacity(currentPage_, state_.Table.ItemCount(), layout_.Canvas.width(), s_);
  if (check.BarCapacity) chart_.BarCapacity = *check.BarCapacity;
  if (check.LineCapacity) lineCapacity_ = *check.LineCapacity;
  if (!check.Message.isEmpty()) messages_.Show(check.Message, MessageIcon::Exclamation);
}

void MainWindow::FillColorList() {
  suppressColorClick_ = true;
  QComboBox* combo = source_->ColorCombo();
  combo->clear();
  for (int i = 0; i < kLineColorCount; ++i) combo->addItem(LineColorEntryText(i));
  const int selected = LineColorIndex(state_.Config.LineColor);
  combo->setCurrentIndex(selected >= 0 ? selected : 0);
  suppressColorClick_ = false;
}

void MainWindow::ApplyColorChoice(int idx) {
  if (idx < 0 || idx >= kLineColorCount) return;
  state_.Config.LineColor = QzColorAt(idx);
  suppressColorClick_ = true;
  if (source_->ColorCombo()->count() > idx) source_->ColorCombo()->setCurrentIndex(idx);
  suppressColorClick_ = false;
  StoreLineColor();
}

void MainWindow::OnColorPicked(int index) {
  if (suppressColorClick_) return;
  state_.Config.LineColor = QzColorAt(index);
  StoreLineColor();
}

void MainWindow::StoreLineColor() {
  IniFile(state_.SettingsPath)
      .IniWrite(settings_keys::kColors, settings_keys::kLineColor,
                ColorToHex(state_.Config.LineColor));
  redrawPending_ = true;
  UpdateStatusTexts();
  status_->update();
  RequestRedraw();
}

bool MainWindow::ChartMenuAvailable() const {
  return state_.Table.ItemCount() >= 1 && currentPage_ != ChartPage::Source;
}

}  // namespace qh
