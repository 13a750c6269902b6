// Keys, drops, the chart context menu and hover go to the model; the
// outputs it asks for (dialogs, export, clipboard, printing) happen here.
#include "ui/main/main_window.h"

#include "base/user_messages.h"
#include "ui/main/chart_view.h"
#include "ui/main/source_page.h"
#include "ui/main/table_chooser.h"
#include "ui/services/chart_menu.h"
#include "ui/services/chart_print.h"
#include "ui/services/file_dialogs.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
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

// Files, the clipboard and the printer get the chart at window pixels, the
// same whatever screen the window is on.
QImage AtWindowPixels(const QImage& shown, const VectorChart& vector) {
  if (shown.isNull() || shown.devicePixelRatio() == 1.0 || !vector.Draw) return shown;
  QImage picture(ChartPictureLogicalSize(shown), QImage::Format_ARGB32_Premultiplied);
  if (picture.isNull()) return shown;
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  vector.Draw(painter);
  return picture;
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != this || !alive_) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Print)) {
    model_.PrintChart();
    ShowModel();
    return true;
  }
  // Keys the model leaves alone (typing) change nothing it shows.
  const int hovered = model_.HoverIndex();
  const bool chartFocused = focusWidget() == image_ && image_->isVisible();
  const bool used = model_.PressKey(key->key(), static_cast<int>(key->modifiers()), chartFocused);
  if (used && alive_) {
    ShowModel();
    if (chartFocused && model_.HoverIndex() != hovered && model_.HoverIndex() > 0) ShowKeyItem();
  }
  return used;
}

void MainWindow::Close() { close(); }

void MainWindow::StartUpdate() {
  if (hooks_.StartUpdate) hooks_.StartUpdate(this);
}

bool MainWindow::PickSourceFile(const QString& initialPath, QString& path) {
  return dialogs_.PickSourceFile(this, initialPath, path);
}

std::optional<TableChoice> MainWindow::ChooseTablePart(const TableChooserOffer& offer) {
  // The pointer is no hourglass while the user chooses.
  const bool wasBusy = busy_;
  if (wasBusy) ShowBusy(false);
  std::optional<TableChoice> choice = RunTableChooser(this, offer);
  if (wasBusy) ShowBusy(true);
  return choice;
}

void MainWindow::ShowBusy(bool busy) {
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return;
  }
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

SaveOutcome MainWindow::SaveChart(const QString& folder, const QString& name) {
  const VectorChart vector = CurrentVectorChart();
  return ExportChart(dialogs_, this, AtWindowPixels(backBuffer_, vector), folder, name, vector);
}

// Documents, the clipboard's SVG and the printer get the chart drawn again
// at the shown picture's size, into a state of their own so the window's
// hover regions stay those of the picture.
VectorChart MainWindow::CurrentVectorChart() const {
  const ChartRequest request = model_.Request();
  const QSize size = ChartPictureLogicalSize(backBuffer_);
  const ItemTable& table = model_.Table();
  return {request.Title, [&table, request, size](QPainter& painter) {
            ChartState state;
            RenderChart(painter, size.width(), size.height(), table, request, state);
          }};
}

void MainWindow::CopyChart() {
  const VectorChart vector = CurrentVectorChart();
  const QImage picture = AtWindowPixels(image_->Picture(), vector);
  QByteArray svg;
  if (!picture.isNull())
    svg = ChartSvgBytes({picture.width(), picture.height(), vector.Title}, vector.Draw);
  CopyChartToClipboard(picture, messages_, svg);
}

std::optional<QString> MainWindow::PrintChart() {
  if (backBuffer_.isNull()) return std::nullopt;
  const VectorChart vector = CurrentVectorChart();
  QPrinter printer(QPrinter::HighResolution);
  PrepareChartPrinter(printer, vector.Title);
  if (!dialogs_.SetUpPrinter(this, printer)) return std::nullopt;  // cancelled
  if (PrintChartPage(printer, ChartPictureLogicalSize(backBuffer_), vector.Draw))
    return std::nullopt;
  return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  if (drops_.Offer(event->mimeData()->urls()))
    QMetaObject::invokeMethod(this, &MainWindow::DeliverPendingDrop, Qt::QueuedConnection);
}

// A drop is handed over only between events of the main loop: never during
// a load's busy pump and never inside the event loop of a message box or
// dialog.
void MainWindow::DeliverPendingDrop() {
  if (drops_.Empty() || !alive_) return;
  if (busy_ || QApplication::activeModalWidget()) {
    QTimer::singleShot(kDropRetryMs, this, &MainWindow::DeliverPendingDrop);
    return;
  }
  if (model_.AcceptDroppedFile(drops_.Take())) source_->ManualBox()->clear();
  ShowModel();
}

void MainWindow::OnChartRightRelease(QPoint globalPos) {
  if (model_.ChartMenuAvailable()) RunChartMenu(globalPos);
}

// From the keyboard the menu opens over the item under the keyboard, or
// over the middle of the chart.
void MainWindow::OpenChartMenu() {
  QPoint at = image_->rect().center();
  if (model_.HoverIndex() > 0 && !model_.HoverOutline().isEmpty())
    at = model_.HoverOutline().boundingRect().center().toPoint();
  RunChartMenu(image_->mapToGlobal(at));
}

void MainWindow::RunChartMenu(QPoint globalPos) {
  QMenu menu(this);
  BuildChartMenu(menu, model_.Page(), model_.LineColor());
  model_.ChooseMenuCommand(ChartMenuCommand(menu.exec(globalPos)));
  ShowModel();
}

// The item the keyboard moved to shows what hovering it shows.
void MainWindow::ShowKeyItem() {
  redrawPending_ = true;
  RenderCanvas();
  image_->SetHighlight(model_.HoverOutline());
  const QPoint at = model_.HoverOutline().boundingRect().center().toPoint();
  QToolTip::showText(image_->mapToGlobal(at), model_.HoverTip(), image_);
}

void MainWindow::OnChartMouseMove(QPointF pos) {
  if (!model_.HoverAt(static_cast<float>(pos.x()), static_cast<float>(pos.y()))) return;
  redrawPending_ = true;
  RenderCanvas();
  image_->SetHighlight(model_.HoverOutline());
  if (model_.HoverIndex() > 0)
    QToolTip::showText(image_->mapToGlobal(pos.toPoint()), model_.HoverTip(), image_);
  else
    QToolTip::hideText();
}

}  // namespace qh
