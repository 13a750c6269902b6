// The window model's commands: keys, the wheel, hovering, the chart menu
// and the outputs of the picture shown.
#include "app/window_model.h"

#include "app/data_folder.h"
#include "app/startup.h"
#include "app/window_commands.h"
#include "base/user_messages.h"
#include "chart/chart_format.h"
#include "chart/chart_frame.h"

namespace qh {

bool WindowModel::PressKey(int qtKey) {
  const KeyCommand command = CommandForKey(qtKey);
  switch (command) {
    case KeyCommand::ShowSource: ShowPage(ChartPage::Source); return true;
    case KeyCommand::ShowBar: ShowPage(ChartPage::Bar); return true;
    case KeyCommand::ShowPie: ShowPage(ChartPage::Pie); return true;
    case KeyCommand::ShowLine: ShowPage(ChartPage::Line); return true;
    case KeyCommand::Close: actions_.Close(); return true;
    case KeyCommand::SaveChart: SaveChart(); return true;
    case KeyCommand::Update: actions_.StartUpdate(); return true;
    case KeyCommand::PreviousPage:
    case KeyCommand::NextPage:
      // On the source page the arrows stay with the text boxes.
      if (page_ == ChartPage::Source) return false;
      TurnPage(command == KeyCommand::NextPage ? 1 : -1);
      return true;
    case KeyCommand::None: return false;
  }
  return false;
}

void WindowModel::TurnPage(int delta) {
  if (page_ != ChartPage::Pie) return;  // only the pie is paged
  const int next = TurnedPage(pageNo_, PageCount(), delta);
  if (next == pageNo_) return;
  pageNo_ = next;
  ForgetHover();
  ++revision_;
}

// The right button only opens the menu, so its commands act on the page the
// user sees; pages turn with the keys and the wheel.
void WindowModel::TurnWheel(int angleDelta) {
  if (!ChartMenuAvailable()) return;
  if (const int delta = wheelSteps_.Feed(angleDelta)) TurnPage(delta);
}

// The answer comes from the last drawing's layout: hit regions are in
// picture pixels and the picture is shown 1:1.
bool WindowModel::HoverAt(float x, float y) {
  if (!ChartMenuAvailable()) return false;
  const ChartHit hit = HitTest(chart_, x, y);
  if (hit.Item == hoverIndex_) return false;
  hoverIndex_ = hit.Item;
  hoverOutline_ = hit.Outline;
  hoverTip_ = TipFor(hit.Item);
  return true;
}

QString WindowModel::TipFor(int itemIndex) const {
  const ItemTable& table = state_.Table;
  if (itemIndex < 1 || itemIndex > table.ItemCount()) return {};
  const ChartItem& item = table.Items[static_cast<size_t>(itemIndex - 1)];
  QString tip = item.Name + QStringLiteral("\n数值: ") + FormatValue(item.Value);
  if (page_ != ChartPage::Pie) return tip;
  // The share of the page shown, as the pie's legend gives it.
  const int pageSize = state_.Config.PageSize;
  const int first = pageSize > 0 ? (pageNo_ - 1) * pageSize + 1 : 1;
  const int count = VisibleItemCount(ChartPage::Pie, table.ItemCount(), 0, pageNo_, pageSize);
  const long double total = SumRows(table, first, count);
  if (total > 0) tip += QStringLiteral("\n占比: ") + FormatPercent(item.Value / total * 100.0L);
  return tip;
}

void WindowModel::ChooseMenuCommand(int id) {
  if (!ChartMenuAvailable()) return;
  if (id == kMenuSaveChart)
    SaveChart();
  else if (id == kMenuCopyImage)
    CopyChart();
  else if (id == kMenuPrint)
    PrintChart();
  else if (id >= kMenuFirstColor && id <= kMenuLastColor)
    ChooseLineColor(id - kMenuFirstColor);
}

void WindowModel::SaveChart() {
  if (!ChartMenuAvailable()) return;
  const QString name = JpgFileName(page_, clock_());
  const QString folder =
      JpgFolder(state_.Table.SourcePath, PictureFolderFor(state_.AppDir, state_.DataDir));
  const SaveOutcome result = actions_.SaveChart(folder, name);
  if (result.Ok) {
    messages_.Show(QStringLiteral("图片已保存:\r\n") + result.SavedPath, MessageIcon::Information);
  } else if (!result.ErrorText.isEmpty()) {
    state_.Log.WriteLog(
        QStringLiteral("chart save FAIL ") +
        QString(result.ErrorText).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    state_.Log.Flush();
    messages_.Show(result.ErrorText, MessageIcon::Exclamation);
  }
}

void WindowModel::CopyChart() {
  if (ChartMenuAvailable()) actions_.CopyChart();
}

void WindowModel::PrintChart() {
  if (!ChartMenuAvailable()) return;
  if (const std::optional<QString> failed = actions_.PrintChart())
    messages_.Show(QStringLiteral("打印失败:\r\n") + *failed, MessageIcon::Exclamation);
}

}  // namespace qh
