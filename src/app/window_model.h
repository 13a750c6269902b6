#pragma once
// What the main window shows and decides, without a widget: the page, the
// pie's page number, the hovered item, the line colour, the table and where
// it came from, the capacity warnings and the commands of the keys, the wheel
// and the chart menu. The window draws it and forwards its events here.
#include "app/label_options.h"
#include "app/table_chooser.h"
#include "app/view_rules.h"
#include "app/window_commands.h"
#include "base/save_file.h"
#include "chart/render_chart.h"

#include <QDateTime>
#include <QPainterPath>
#include <QString>
#include <functional>
#include <optional>

namespace qh {

struct AppState;
class UserMessages;

// What the model needs from the window around it: the dialogs, the outputs
// of the picture it shows and the window's own life.
class WindowActions {
 public:
  virtual ~WindowActions() = default;
  // True with path set to the file the user chose; false on cancel.
  virtual bool PickSourceFile(const QString& initialPath, QString& path) = 0;
  // Asks where to save the shown picture (folder and name proposed) and saves it.
  virtual SaveOutcome SaveChart(const QString& folder, const QString& name) = 0;
  virtual void CopyChart() = 0;
  // Asks for a printer and prints; the output that failed, none when the
  // page was printed or the user cancelled.
  virtual std::optional<QString> PrintChart() = 0;
  virtual void Close() = 0;
  virtual void StartUpdate() = 0;
  // Opens the chart menu from the keyboard (Shift+F10, the Menu key).
  virtual void OpenChartMenu() = 0;
  // A file load starts (true) or ends (false).
  virtual void ShowBusy(bool busy) = 0;
  // Offers to choose the part of a refused table to draw; none when the
  // user cancels (or the window has no chooser).
  virtual std::optional<TableChoice> ChooseTablePart(const TableChooserOffer&) {
    return std::nullopt;
  }
};

// One drawn item as assistive technology hears it.
struct SpokenItem {
  int Item = 0;          // 1-based row of the item table
  QString Name;          // the hover tip on one line: "华南区 41,208.9 13.1%"
  QPainterPath Outline;  // where it is drawn, in picture pixels
  friend bool operator==(const SpokenItem&, const SpokenItem&) = default;
};

class WindowModel {
 public:
  using Clock = std::function<QDateTime()>;

  // Opens on the bar chart when the start-up loaded a table, else on the
  // source page. clock names the time of saved pictures (now when empty).
  WindowModel(AppState& state, UserMessages& messages, WindowActions& actions, float scale,
              Clock clock = {});

  // What the window shows.
  ChartPage Page() const { return page_; }
  int PageNo() const { return pageNo_; }
  int PageCount() const;
  int HoverIndex() const { return hoverIndex_; }
  const QString& HoverTip() const { return hoverTip_; }
  const QPainterPath& HoverOutline() const { return hoverOutline_; }
  // The chart for assistive technology: its title, the subtitle of the
  // last drawing (statistics, or the pie page's total) and the items drawn.
  QString ChartName() const;
  // With a partial bar or line chart it first says how much is drawn.
  QString ChartDescription() const;
  // Which items the last drawing of the page shown holds: First..Last of
  // Total (all 0 before a drawing); Partial when a bar or line chart could
  // not hold every item.
  struct DrawnItems {
    int First = 0, Last = 0, Total = 0;
    bool Partial = false;
  };
  DrawnItems Drawn() const;
  // "显示 33 项,共 200 项" for a partial chart, else empty.
  QString PartialChartText() const;
  std::vector<SpokenItem> SpokenItems() const;
  const ItemTable& Table() const;
  const LabelOptions& Labels() const;
  const QString& PathText() const { return pathText_; }  // the source page's path box
  const QString& Notice() const { return notice_; }      // the last load failure
  QString StatusText() const;
  quint32 LineColor() const;
  int LineColorChoice() const;  // 0..7
  int BarCapacity() const { return chart_.BarCapacity; }
  int LineCapacity() const { return lineCapacity_; }
  float Scale() const { return scale_; }
  bool ChartMenuAvailable() const;
  // Grows with every change that needs the picture drawn again.
  int Revision() const { return revision_; }
  // The drawing of the page shown, for the chart front door.
  ChartRequest Request() const;
  // The window draws the chart into this state; hovering reads its regions.
  ChartState& Drawing() { return chart_; }
  const ChartState& Drawing() const { return chart_; }

  // Events the window forwards.
  // The canvas size after a layout; a new size starts paging and hovering
  // again, the same size (the window settling) keeps them.
  void SetCanvasSize(int width, int height);
  void ShowPage(ChartPage page);
  // True when the key was used. modifiers are Qt::KeyboardModifiers;
  // chartFocused: the chart has the keyboard focus, so the arrows, Home and
  // End move between its items (on the pie Left/Right keep turning pages).
  bool PressKey(int qtKey, int modifiers = 0, bool chartFocused = false);
  void TurnWheel(int angleDelta);
  void TurnPage(int delta);
  bool HoverAt(float x, float y);  // true when the hovered item changed
  void ChooseMenuCommand(int id);
  void ChooseLineColor(int index);
  // Toggles the option row under (x, y) of the panel's rows; true when one toggled.
  bool ToggleOptionAt(std::vector<OptionRow>& rows, float x, float y);
  // Toggles row index (1-based) of the panel's rows, as the keyboard does.
  bool ToggleOption(std::vector<OptionRow>& rows, int index);
  void Browse();
  void ApplyTypedText(const QString& text);
  // Whether the window may close with typedText in the manual input box:
  // text typed and not yet charted is only given up after a question.
  bool MayClose(const QString& typedText);
  void DismissNotice() { notice_.clear(); }
  // False when the path was blank or refused by its extension, so the
  // typed text stays.
  bool AcceptDroppedFile(const QString& path);
  void SaveChart();
  void CopyChart();
  void PrintChart();

 private:
  void ResetView();
  void ForgetHover();
  bool LoadFile(const QString& path);
  void ShowLoadFailure();
  void AfterDataLoaded();
  void CheckPageCapacity();
  void StoreLineColor(quint32 color);
  QString TipFor(int itemIndex) const;
  // The share of the pie page shown that value makes, as its tip says it.
  QString PieShareText(double value) const;
  ChartHit ItemHit(int itemIndex) const;
  bool MoveKeyItem(KeyCommand step);

  AppState& state_;
  UserMessages& messages_;
  WindowActions& actions_;
  float scale_;
  Clock clock_;

  ChartState chart_;
  WheelPageSteps wheelSteps_;
  ChartPage page_ = ChartPage::Source;
  int pageNo_ = 1;
  int hoverIndex_ = 0;
  QString hoverTip_;
  QPainterPath hoverOutline_;
  QString pathText_;
  QString notice_;
  QString appliedText_;  // the typed text the last apply turned into a chart
  int canvasWidth_ = 0;
  int canvasHeight_ = 0;
  int lineCapacity_ = 0;
  int revision_ = 0;
  TableChoices tableChoices_;  // per file, for the session
};

}  // namespace qh
