// The window model's pages, loads and line colour.
#include "app/window_model.h"

#include "app/capacity.h"
#include "app/chart_request.h"
#include "app/line_colors.h"
#include "app/startup.h"
#include "base/ini_file.h"
#include "base/text_utils.h"
#include "base/user_messages.h"
#include "data/file_access.h"
#include "data/source_loader.h"

namespace qh {
namespace {

LoadLimits LimitsOf(const Settings& config) { return {config.MaxItems}; }

}  // namespace

WindowModel::WindowModel(AppState& state, UserMessages& messages, WindowActions& actions,
                         float scale, Clock clock)
    : state_(state),
      messages_(messages),
      actions_(actions),
      scale_(std::max(1.0f, scale)),
      clock_(clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); }) {
  page_ = state_.Table.ItemCount() < 1 ? ChartPage::Source : ChartPage::Bar;
  pathText_ = state_.Table.SourcePath;
  ReportSettingsFailures(state_.SettingsFile, state_.Log, messages_);
}

const ItemTable& WindowModel::Table() const { return state_.Table; }

const LabelOptions& WindowModel::Labels() const { return state_.Labels; }

int WindowModel::PageCount() const {
  return ChartPageCount(page_, state_.Table.ItemCount(), state_.Config.PageSize);
}

QString WindowModel::StatusText() const {
  const QString source = StatusTextFor(state_.Table.SourcePath, state_.Table.ItemCount());
  const QString partial = PartialChartText();
  if (partial.isEmpty()) return source;
  return source.isEmpty() ? partial : partial + QStringLiteral("  ") + source;
}

// The drawing tells what it holds and of how many rows.
WindowModel::DrawnItems WindowModel::Drawn() const {
  DrawnItems drawn;
  const ChartOutline& outline = chart_.Outline;
  if (page_ == ChartPage::Source || outline.Page != page_ || outline.FirstItem < 1) return drawn;
  drawn.First = outline.FirstItem;
  drawn.Last = outline.FirstItem + outline.Drawn - 1;
  drawn.Total = outline.Rows > 0 ? outline.Rows : state_.Table.ItemCount();
  // The pie shows every item, page by page.
  drawn.Partial = page_ != ChartPage::Pie && outline.Drawn < drawn.Total;
  return drawn;
}

QString WindowModel::PartialChartText() const {
  const DrawnItems drawn = Drawn();
  if (!drawn.Partial) return {};
  return QStringLiteral("显示 %1 项,共 %2 项").arg(drawn.Last - drawn.First + 1).arg(drawn.Total);
}

QString WindowModel::ChartDescription() const {
  const QString partial = PartialChartText();
  if (partial.isEmpty()) return chart_.Outline.Subtitle;
  return partial + QStringLiteral("\n") + chart_.Outline.Subtitle;
}

bool WindowModel::MayClose(const QString& typedText) {
  if (IsBlank(typedText) || typedText == appliedText_) return true;
  return messages_.Show(QStringLiteral("输入的数据尚未生成图表,确定要退出吗?"),
                        MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

quint32 WindowModel::LineColor() const { return state_.Config.LineColor; }

int WindowModel::LineColorChoice() const {
  return std::max(0, LineColorIndex(state_.Config.LineColor));
}

bool WindowModel::ChartMenuAvailable() const {
  return state_.Table.ItemCount() >= 1 && page_ != ChartPage::Source;
}

ChartRequest WindowModel::Request() const {
  return MakeChartRequest(page_, pageNo_, state_.Table.ItemCount(), state_.Config, state_.Labels,
                          scale_, state_.Table.Caption);
}

void WindowModel::ResetView() {
  pageNo_ = 1;
  ForgetHover();
  ++revision_;
}

void WindowModel::ForgetHover() {
  hoverIndex_ = 0;
  hoverTip_.clear();
  hoverOutline_ = QPainterPath();
}

void WindowModel::SetCanvasSize(int width, int height) {
  if (width == canvasWidth_ && height == canvasHeight_) return;
  canvasWidth_ = width;
  canvasHeight_ = height;
  ResetView();
}

void WindowModel::ShowPage(ChartPage page) {
  if (page != ChartPage::Source && state_.Table.ItemCount() == 0) {
    page_ = ChartPage::Source;
    ResetView();
    messages_.Show(ReasonAndHint(QStringLiteral("尚无可用数据,无法生成图表."),
                                 QStringLiteral("请先在[数据源]页面选择数据文件,或直接输入 "
                                                "项目,数值 多行数据.")),
                   MessageIcon::Exclamation);
    return;
  }
  page_ = page;
  ResetView();
  CheckPageCapacity();
}

void WindowModel::CheckPageCapacity() {
  const CapacityCheck check = CheckCapacity(page_, state_.Table.ItemCount(), canvasWidth_, scale_);
  if (check.BarCapacity) chart_.BarCapacity = *check.BarCapacity;
  if (check.LineCapacity) lineCapacity_ = *check.LineCapacity;
  if (!check.Message.isEmpty()) messages_.Show(check.Message, MessageIcon::Exclamation);
}

bool WindowModel::ToggleOptionAt(std::vector<OptionRow>& rows, float x, float y) {
  if (!HitTestOptionRows(rows, x, y, state_.Labels, state_.SettingsFile)) return false;
  ++revision_;
  return true;
}

bool WindowModel::ToggleOption(std::vector<OptionRow>& rows, int index) {
  if (!ToggleOptionRow(rows, index, state_.Labels, state_.SettingsFile)) return false;
  ++revision_;
  return true;
}

void WindowModel::Browse() {
  QString chosen;
  if (!actions_.PickSourceFile(state_.Table.SourcePath, chosen)) return;
  state_.Table.SourcePath = chosen;
  pathText_ = chosen;
  actions_.ShowBusy(true);
  const bool ok = LoadFile(chosen);
  actions_.ShowBusy(false);
  if (!ok) {
    messages_.Show(ReasonAndHint(state_.Table.LastError, state_.Table.LastHint),
                   MessageIcon::Exclamation);
    return;
  }
  notice_.clear();
  AfterDataLoaded();
}

bool WindowModel::LoadFile(const QString& path) {
  TableChoice choice = tableChoices_.For(path);
  bool ok = LoadSourceFile(path, LimitsOf(state_.Config), state_.Table, &state_.Log, choice);
  // A table wider than two columns or a workbook of several sheets is no
  // dead end: the user may choose its part, until it reads or they cancel.
  while (!ok) {
    const auto offer = TableChoices::OfferFor(path, state_.Table, choice);
    const auto chosen = offer ? actions_.ChooseTablePart(*offer) : std::nullopt;
    if (!chosen) break;
    choice = *chosen;
    tableChoices_.Remember(path, choice);
    ok = LoadSourceFile(path, LimitsOf(state_.Config), state_.Table, &state_.Log, choice);
  }
  for (const QString& note : state_.Table.Notes) state_.Log.WriteLog(note);
  ++revision_;  // a failed load empties the table
  return ok;
}

void WindowModel::ShowLoadFailure() {
  notice_ = state_.Table.LastError + QStringLiteral("\r\n") + state_.Table.LastHint;
  messages_.Show(ReasonAndHint(state_.Table.LastError, state_.Table.LastHint),
                 MessageIcon::Exclamation);
}

void WindowModel::ApplyTypedText(const QString& text) {
  if (IsBlank(text)) {
    messages_.Show(QStringLiteral("请先输入数据,每行一项,格式为项目,数值."),
                   MessageIcon::Information);
    return;
  }
  const bool ok = ParseManualInput(text, LimitsOf(state_.Config), state_.Table);
  ++revision_;
  if (!ok) {
    ShowLoadFailure();
    return;
  }
  state_.Table.SourcePath.clear();
  notice_.clear();
  appliedText_ = text;
  AfterDataLoaded();
}

bool WindowModel::AcceptDroppedFile(const QString& path) {
  if (IsBlank(path)) return false;
  if (!IsDataFileExtension(FileExtension(path))) {
    messages_.Show(
        QStringLiteral("不支持这种文件,请拖入数据文件.\r\n\r\n"
                       "支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx).\r\n\r\n") +
            path,
        MessageIcon::Exclamation);
    return false;
  }
  state_.Table.SourcePath = path;
  pathText_ = path;
  if (!LoadFile(path)) {
    ShowLoadFailure();
    // Nothing is left to draw on a chart page.
    if (page_ != ChartPage::Source) {
      page_ = ChartPage::Source;
      ResetView();
    }
    return true;
  }
  notice_.clear();
  AfterDataLoaded();
  return true;
}

void WindowModel::AfterDataLoaded() {
  page_ = ChartPage::Bar;
  ResetView();
  if (!state_.Table.SourcePath.isEmpty())
    state_.SettingsFile.IniWrite(settings_keys::kRecent, settings_keys::kLastFile,
                                 state_.Table.SourcePath);
}

void WindowModel::ChooseLineColor(int index) {
  if (index < 0 || index >= kLineColorCount) return;
  StoreLineColor(QzColorAt(index));
}

void WindowModel::StoreLineColor(quint32 color) {
  state_.Config.LineColor = color;
  state_.SettingsFile.IniWrite(settings_keys::kColors, settings_keys::kLineColor,
                               ColorToHex(color));
  ResetView();
}

}  // namespace qh
