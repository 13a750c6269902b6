// Keys, drops, the chart context menu, paging, hover, export and printing.
#include "ui/main/main_window.h"

#include "app/data_folder.h"

#include "app/startup.h"
#include "base/text_utils.h"
#include "base/user_messages.h"
#include "chart/chart_format.h"
#include "data/file_access.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "app/line_colors.h"
#include "ui/main/source_page.h"
#include "ui/main/window_commands.h"
#include "ui/services/chart_export.h"
#include "ui/services/chart_menu.h"
#include "ui/services/chart_print.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QToolTip>

namespace qh {
namespace {

constexpr int kDropRetryMs = 15;

// The same extension rule the load applies, so what the drop lets through
// is what the readers accept ("报表.csv " and "a. csv" included).
bool IsDataExtension(const QString& path) {
  static const QStringList kKnown = {QStringLiteral("html"), QStringLiteral("htm"),
                                     QStringLiteral("csv"), QStringLiteral("xls"),
                                     QStringLiteral("xlsx")};
  return kKnown.contains(FileExtension(path));
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != this || !alive_) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Print)) {
    if (ChartMenuAvailable()) PrintChart();
    return true;
  }
  return HandleKey(key->key());
}

bool MainWindow::HandleKey(int key) {
  switch (CommandForKey(key)) {
    case KeyCommand::ShowSource: SwitchPage(ChartPage::Source); return true;
    case KeyCommand::ShowBar: SwitchPage(ChartPage::Bar); return true;
    case KeyCommand::ShowPie: SwitchPage(ChartPage::Pie); return true;
    case KeyCommand::ShowLine: SwitchPage(ChartPage::Line); return true;
    case KeyCommand::Close: close(); return true;
    case KeyCommand::SaveJpg:
      if (ChartMenuAvailable()) SaveChartAsJpg();
      return true;
    case KeyCommand::Update: StartUpdate(); return true;
    case KeyCommand::PreviousPage:
    case KeyCommand::NextPage:
      // On the Source page the arrows stay with the text boxes.
      if (currentPage_ == ChartPage::Source) return false;
      ChangePage(CommandForKey(key) == KeyCommand::NextPage ? 1 : -1);
      return true;
    case KeyCommand::None: return false;
  }
  return false;
}

void MainWindow::StartUpdate() {
  if (hooks_.StartUpdate) hooks_.StartUpdate(this);
}

void MainWindow::SaveChartAsJpg() {
  const QString name = JpgFileName(currentPage_, clock_());
  const QString folder = JpgFolder(state_.Table.SourcePath, PictureFolderFor(state_.AppDir, state_.DataDir));
  const QImage picture = currentPage_ == ChartPage::Source ? QImage() : backBuffer_;
  const ExportResult result =
      ExportChartJpg(dialogs_, this, picture, folder, name, CurrentVectorChart());
  if (result.Ok) {
    messages_.Show(QStringLiteral("图片已保存:\r\n") + result.SavedPath, MessageIcon::Information);
  } else if (!result.ErrorText.isEmpty()) {
    messages_.Show(result.ErrorText, MessageIcon::Exclamation);
  }
}

// Documents, the clipboard's SVG and the printer get the chart drawn again
// at the shown picture's size, into a state of their own so the window's
// hover regions stay those of the picture.
VectorChart MainWindow::CurrentVectorChart() const {
  const ChartRequest request = CurrentRequest();
  const QSize size = backBuffer_.size();
  return {request.Title, [this, request, size](QPainter& painter) {
            ChartState state;
            RenderChart(painter, size.width(), size.height(), state_.Table, request, state);
          }};
}

void MainWindow::CopyChart() {
  const QImage& picture = image_->Picture();
  QByteArray svg;
  if (!picture.isNull() && currentPage_ != ChartPage::Source) {
    const VectorChart vector = CurrentVectorChart();
    svg = ChartSvgBytes({picture.width(), picture.height(), vector.Title}, vector.Draw);
  }
  CopyChartToClipboard(picture, messages_, svg);
}

void MainWindow::PrintChart() {
  if (!ChartMenuAvailable() || backBuffer_.isNull()) return;
  const VectorChart vector = CurrentVectorChart();
  QPrinter printer(QPrinter::HighResolution);
  PrepareChartPrinter(printer, vector.Title);
  if (!printRunner_ || !printRunner_(printer)) return;  // cancelled
  if (PrintChartPage(printer, backBuffer_.size(), vector.Draw)) return;
  const QString where = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
  messages_.Show(QStringLiteral("打印失败:\r\n") + where, MessageIcon::Exclamation);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  if (drops_.Offer(event->mimeData()->urls()))
    QMetaObject::invokeMethod(this, &MainWindow::DeliverPendingDrop, Qt::QueuedConnection);
}

// Like the original start-up loop, a drop is handed over only between
// events of the main loop: never during a load's busy pump and never inside
// the event loop of a message box or dialog.
void MainWindow::DeliverPendingDrop() {
  if (drops_.Empty() || !alive_) return;
  if (busy_ || QApplication::activeModalWidget()) {
    QTimer::singleShot(kDropRetryMs, this, &MainWindow::DeliverPendingDrop);
    return;
  }
  AcceptDroppedFile(drops_.Take());
}

void MainWindow::AcceptDroppedFile(QString path) {
  if (IsBlank(path)) return;
  if (!IsDataExtension(path)) {
    messages_.Show(QStringLiteral("不支持这种文件,请拖入数据文件.\r\n\r\n"
                                  "支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx).\r\n\r\n") +
                       path,
                   MessageIcon::Exclamation);
    return;
  }
  state_.Table.SourcePath = path;
  source_->SetPathText(path);
  source_->ManualBox()->clear();
  const bool onSource = currentPage_ == ChartPage::Source;
  ReloadSource();
  if (onSource) return;
  currentPage_ = ChartPage::Bar;
  ApplyPageState();
}

int MainWindow::PageTotal() const {
  return ChartPageCount(currentPage_, state_.Table.ItemCount(), state_.Config.PageSize);
}

void MainWindow::ChangePage(int delta) {
  if (currentPage_ != ChartPage::Pie) return;  // only the pie is paged
  const int next = TurnedPage(pageNo_, PageTotal(), delta);
  if (next == pageNo_) return;
  pageNo_ = next;
  hoverIndex_ = 0;
  UpdateStatusTexts();
  status_->update();
  redrawPending_ = true;
  RenderCanvas();
}

// The right button only opens the menu, so its commands act on the page the
// user sees; pages turn with the keys and the wheel.
void MainWindow::OnChartWheel(int angleDelta) {
  if (!ChartMenuAvailable()) return;
  if (const int delta = wheelSteps_.Feed(angleDelta)) ChangePage(delta);
}

void MainWindow::OnChartRightRelease(QPoint globalPos) {
  if (!ChartMenuAvailable()) return;
  QMenu menu(this);
  BuildChartMenu(menu, currentPage_, state_.Config.LineColor);
  const int id = ChartMenuCommand(menuRunner_(menu, globalPos));
  if (id == kMenuSaveJpg) SaveChartAsJpg();
  else if (id == kMenuCopyImage) CopyChart();
  else if (id == kMenuPrint) PrintChart();
  else if (id >= kMenuFirstColor && id <= kMenuLastColor) ApplyColorChoice(id - kMenuFirstColor);
}

// The answer comes from the last drawing's layout: hit regions are in
// picture pixels and the picture is shown 1:1.
void MainWindow::OnChartMouseMove(QPointF pos) {
  if (!ChartMenuAvailable()) return;
  const ChartHit hit = HitTest(chart_, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
  if (hit.Item == hoverIndex_) return;
  hoverIndex_ = hit.Item;
  redrawPending_ = true;
  RenderCanvas();
  image_->SetHighlight(hit.Outline);
  if (hit.Item > 0) QToolTip::showText(image_->mapToGlobal(pos.toPoint()), HoverTip(hit.Item), image_);
  else QToolTip::hideText();
}

QString MainWindow::HoverTip(int itemIndex) const {
  if (itemIndex < 1 || itemIndex > state_.Table.ItemCount()) return {};
  const ChartItem& item = state_.Table.Items[static_cast<size_t>(itemIndex - 1)];
  QString tip = item.Name + QStringLiteral("\n数值: ") + FormatValue(item.Value);
  if (currentPage_ != ChartPage::Pie) return tip;
  const int size = state_.Config.PageSize;
  const int first = size > 0 ? (pageNo_ - 1) * size : 0;
  const int last = size > 0 ? std::min(first + size, state_.Table.ItemCount())
                            : state_.Table.ItemCount();
  long double total = 0;
  for (int i = first; i < last; ++i) total += state_.Table.Items[static_cast<size_t>(i)].Value;
  if (total > 0) tip += QStringLiteral("\n占比: ") + FormatPercent(item.Value / total * 100.0L);
  return tip;
}

}  // namespace qh
