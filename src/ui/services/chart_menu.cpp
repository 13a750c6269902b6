#include "ui/services/chart_menu.h"

#include "base/user_messages.h"
#include "app/line_colors.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>

namespace qh {
namespace {

QAction* AddCommand(QMenu& menu, const QString& text, int id) {
  QAction* action = menu.addAction(text);
  action->setData(id);
  return action;
}

}  // namespace

void BuildChartMenu(QMenu& menu, ChartPage page, quint32 lineColor) {
  AddCommand(menu, QStringLiteral("复制图片到剪贴板"), kMenuCopyImage);
  AddCommand(menu, QStringLiteral("保存图表..."), kMenuSaveChart);
  AddCommand(menu, QStringLiteral("打印..."), kMenuPrint)->setShortcut(QKeySequence::Print);
  if (page != ChartPage::Line) return;
  QMenu* colors = menu.addMenu(QStringLiteral("曲线图颜色"));
  for (int idx = 0; idx < kLineColorCount; ++idx) {
    QAction* action = AddCommand(*colors, QzColorName(idx), kMenuFirstColor + idx);
    // Only the current colour carries a check mark; the others show none.
    const bool current = QzColorAt(idx) == lineColor;
    action->setCheckable(current);
    action->setChecked(current);
  }
}

int ChartMenuCommand(const QAction* chosen) {
  if (!chosen) return 0;
  bool ok = false;
  const int id = chosen->data().toInt(&ok);
  return ok ? id : 0;
}

void CopyChartToClipboard(const QImage& picture, UserMessages& messages, const QByteArray& svg) {
  if (picture.isNull()) {
    messages.Show(QStringLiteral("当前没有图表可以复制."), MessageIcon::Exclamation);
    return;
  }
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) {
    messages.Show(QStringLiteral("复制到剪贴板失败,请改用[保存图表...]."),
                  MessageIcon::Exclamation);
    return;
  }
  clipboard->clear();
  // Office programs paste the SVG as a drawing that stays sharp; the others
  // take the picture.
  auto* data = new QMimeData;
  data->setImageData(picture);
  if (!svg.isEmpty()) data->setData(QStringLiteral("image/svg+xml"), svg);
  clipboard->setMimeData(data);
}

}  // namespace qh
