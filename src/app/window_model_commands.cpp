// The window model's commands: keys, the wheel, hovering, the chart menu
// and the outputs of the picture shown.
#include "app/window_model.h"

#include "app/data_folder.h"
#include "app/startup.h"
#include "app/window_commands.h"
#include "base/user_messages.h"
#include "chart/chart_format.h"
#include "chart/chart_frame.h"
#include "chart/pie_chart.h"

#include <cmath>
#include <numbers>

namespace qh {

bool WindowModel::PressKey(int qtKey, int modifiers, bool chartFocused) {
  const KeyCommand command = CommandForKey(qtKey, modifiers);
  switch (command) {
    case KeyCommand::ShowSource: ShowPage(ChartPage::Source); return true;
    case KeyCommand::ShowBar: ShowPage(ChartPage::Bar); return true;
    case KeyCommand::ShowPie: ShowPage(ChartPage::Pie); return true;
    case KeyCommand::ShowLine: ShowPage(ChartPage::Line); return true;
    case KeyCommand::Close: actions_.Close(); return true;
    case KeyCommand::SaveChart: SaveChart(); return true;
    case KeyCommand::Update: actions_.StartUpdate(); return true;
    case KeyCommand::PreviousPage:
    case KeyCommand::NextPage: {
      // On the source page the arrows stay with the text boxes.
      if (page_ == ChartPage::Source) return false;
      const bool next = command == KeyCommand::NextPage;
      // Bar and line charts have one page: there Left/Right walk the items.
      const bool arrow = qtKey == Qt::Key_Left || qtKey == Qt::Key_Right;
      if (arrow && chartFocused && page_ != ChartPage::Pie)
        MoveKeyItem(next ? KeyCommand::NextItem : KeyCommand::PreviousItem);
      else
        TurnPage(next ? 1 : -1);
      return true;
    }
    case KeyCommand::ChartMenu:
      // On the source page the key stays with the text box's own menu.
      if (!ChartMenuAvailable()) return false;
      actions_.OpenChartMenu();
      return true;
    case KeyCommand::PreviousItem:
    case KeyCommand::NextItem:
    case KeyCommand::FirstItem:
    case KeyCommand::LastItem:
      // Elsewhere these keys belong to the control that has the focus.
      if (!chartFocused || !ChartMenuAvailable()) return false;
      MoveKeyItem(command);
      return true;
    case KeyCommand::None: return false;
  }
  return false;
}

// The item under the keyboard is the hovered item: same tip, same outline.
bool WindowModel::MoveKeyItem(KeyCommand step) {
  const int first = chart_.Outline.FirstItem;
  const int last = first + chart_.Outline.Drawn - 1;
  if (first < 1 || last < first) return false;
  const bool onItem = hoverIndex_ >= first && hoverIndex_ <= last;
  int next = first;
  switch (step) {
    case KeyCommand::LastItem: next = last; break;
    case KeyCommand::PreviousItem: next = onItem ? std::max(first, hoverIndex_ - 1) : last; break;
    case KeyCommand::NextItem: next = onItem ? std::min(last, hoverIndex_ + 1) : first; break;
    default: break;
  }
  if (next == hoverIndex_) return false;
  const ChartHit hit = ItemHit(next);
  hoverIndex_ = next;
  hoverOutline_ = hit.Outline;
  hoverTip_ = TipFor(next);
  return true;
}

// What hovering the middle of the item would find; a point inside a pie
// slice for the pie, the middle of its region otherwise, so the outline is
// the one the mouse shows.
ChartHit WindowModel::ItemHit(int itemIndex) const {
  const PieShape& pie = chart_.Pie;
  for (const PieSlice& slice : pie.Slices) {
    if (slice.Item != itemIndex || !(slice.Sweep > 0)) continue;
    const double middle = (slice.Start + slice.Sweep / 2) * std::numbers::pi / 180.0;
    const double x = pie.Cx + 0.6 * pie.R * std::cos(middle);
    const double y = pie.Cy + 0.6 * pie.R * std::sin(middle);
    ChartHit hit = HitTest(chart_, static_cast<float>(x), static_cast<float>(y));
    if (hit.Item == itemIndex) return hit;
  }
  for (const HitRegion& r : chart_.HitRegions) {
    if (r.ItemIndex != itemIndex) continue;
    const QRectF rect(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom));
    ChartHit hit = HitTest(chart_, static_cast<float>(rect.center().x()),
                           static_cast<float>(rect.center().y()));
    if (hit.Item == itemIndex) return hit;
    hit = {itemIndex, QPainterPath()};
    hit.Outline.addRect(rect);
    return hit;
  }
  return {itemIndex, QPainterPath()};
}

QString WindowModel::ChartName() const { return Request().Title; }

std::vector<SpokenItem> WindowModel::SpokenItems() const {
  std::vector<SpokenItem> items;
  const ItemTable& table = state_.Table;
  const int first = chart_.Outline.FirstItem;
  // Items belong to the drawing of the page shown, not to one still to come.
  if (page_ == ChartPage::Source || chart_.Outline.Page != page_ || first < 1) return items;
  const int last = std::min(first + chart_.Outline.Drawn - 1, table.ItemCount());
  for (int i = first; i <= last; ++i) {
    const ItemRef item = table.Items[static_cast<size_t>(i - 1)];
    QString name = item.Name.toString() + u' ' + FormatValue(item.Value);
    if (page_ == ChartPage::Pie) {
      const QString share = PieShareText(item.Value);
      if (!share.isEmpty()) name += u' ' + share;
    }
    items.push_back({i, name, ItemHit(i).Outline});
  }
  return items;
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
  const ItemRef item = table.Items[static_cast<size_t>(itemIndex - 1)];
  QString tip = item.Name.toString() + QStringLiteral("\n数值: ") + FormatValue(item.Value);
  if (page_ != ChartPage::Pie) return tip;
  const QString share = PieShareText(item.Value);
  if (!share.isEmpty()) tip += QStringLiteral("\n占比: ") + share;
  return tip;
}

// The share of the page shown, as the pie's legend gives it; empty when the
// page sums to nothing.
QString WindowModel::PieShareText(double value) const {
  const ItemTable& table = state_.Table;
  const int pageSize = state_.Config.PageSize;
  const int first = pageSize > 0 ? (pageNo_ - 1) * pageSize + 1 : 1;
  const int count = VisibleItemCount(ChartPage::Pie, table.ItemCount(), 0, pageNo_, pageSize);
  // Positive values make the pie's whole; a loss or a zero reads "不计入".
  const long double whole = SumPositiveRows(table, first, count);
  if (!(whole > 0)) return {};
  return ::qh::PieShareText(value, whole);
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
    messages_.Show(SavedChartNotice(result.SavedPath), MessageIcon::Information);
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
