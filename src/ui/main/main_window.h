#pragma once
// frmMain: the one working window. It owns the four regions (header,
// navigation, status bar, canvas), the back buffer the charts are drawn
// into, the coalescing redraw timer, and the window's commands.
#include "chart/chart_page.h"
#include "chart/chart_fonts.h"
#include "chart/render_chart.h"
#include "ui/main/view_rules.h"
#include "ui/main/window_layout.h"
#include "ui/services/pending_drop.h"

#include <QDateTime>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QPrinter;

namespace qh {

struct AppState;
class ChartView;
class FileDialogs;
class HeaderBar;
class NavPanel;
class SourcePage;
class StatusBar;
class UserMessages;
struct VectorChart;

// What the window asks of the rest of the program.
struct WindowHooks {
  std::function<void(QWidget* owner)> ShowAbout;    // the status bar link
  std::function<void(QWidget* owner)> StartUpdate;  // F10 and the upgrade label
  std::function<QString()> VersionText;             // "版本:" + this
};

class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls and runs the load handler. scale is DpiScale().
  MainWindow(AppState& state, UserMessages& messages, FileDialogs& dialogs, WindowHooks hooks,
             float scale);
  ~MainWindow() override;

  // Public operations used by outside callers.
  bool QzFormAlive() const { return alive_; }
  void RelayoutNow();
  void ApplyColorChoice(int idx);
  bool ChartMenuAvailable() const;
  void SaveChartAsJpg();
  void PrintChart();
  void AcceptDroppedFile(QString path);
  void SwitchPage(ChartPage page);

  // State the tests and the benchmark look at.
  ChartPage CurrentPage() const { return currentPage_; }
  int NavIndex() const;
  const WindowLayout& Layout() const { return layout_; }
  const QImage& ShownPicture() const;
  int RenderCount() const { return renderCount_; }
  int TickCount() const { return tickCount_; }
  int HoverIndex() const { return hoverIndex_; }
  int PageNo() const { return pageNo_; }
  const std::vector<HitRegion>& HitRegions() const { return chart_.HitRegions; }
  int LineCapacity() const { return lineCapacity_; }
  int BarCapacity() const { return chart_.BarCapacity; }
  bool DrawTimerActive() const { return drawTimer_.isActive(); }
  PendingDrop& Drops() { return drops_; }
  SourcePage* Source() const { return source_; }
  NavPanel* Nav() const { return nav_; }
  ChartView* Chart() const { return image_; }
  StatusBar* Status() const { return status_; }
  HeaderBar* Header() const { return header_; }

  // Seams for tests: how the context menu is run and what time it is.
  void SetMenuRunner(std::function<QAction*(QMenu&, QPoint)> runner) { menuRunner_ = runner; }
  void SetClock(std::function<QDateTime()> clock) { clock_ = clock; }
  // Shows the print dialog for the printer; false when the user cancels.
  void SetPrintRunner(std::function<bool(QPrinter&)> runner) { printRunner_ = runner; }

  // Runs the redraw timer's tick at once.
  void TimerTick();
  void RenderCanvas();
  void RequestRedraw();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building and layout (main_window.cpp)
  void BuildControls();
  void ConnectControls();
  void Load();
  void PlaceMainWindow();
  void Relayout();
  void DrawPageContent(QPainter& painter, int w, int h);
  ChartRequest CurrentRequest() const;
  void PresentChart();

  // Pages, source page and colours (main_window_pages.cpp)
  void ApplyPageState();
  void ShowSourcePage(bool show);
  void PlaceColorRow();
  void SyncSourceView();
  void ShowSourceFrame();
  void RefreshNav();
  void RepaintFrameBars();
  void UpdateStatusTexts();
  void OnNavPressed(QPointF pos);
  void OnBrowse();
  void OnApply();
  bool ReloadSource();
  void ShowLoadFailure();
  void AfterDataLoaded();
  void ShowBusy();
  void ShowIdle();
  void CheckPageCapacity();
  void FillColorList();
  void OnColorPicked(int index);
  void StoreLineColor();

  // Commands (main_window_commands.cpp)
  bool HandleKey(int key);
  void DeliverPendingDrop();
  void OnChartMouseMove(QPointF pos);
  void OnChartWheel(int angleDelta);
  void OnChartRightRelease(QPoint globalPos);
  void ChangePage(int delta);
  int PageTotal() const;
  QString HoverTip(int itemIndex) const;
  void StartUpdate();
  VectorChart CurrentVectorChart() const;
  void CopyChart();

  AppState& state_;
  UserMessages& messages_;
  FileDialogs& dialogs_;
  WindowHooks hooks_;
  float s_;

  ChartFonts fonts_;
  WindowLayout layout_;
  ChartState chart_;
  PendingDrop drops_;
  WheelPageSteps wheelSteps_;
  QTimer drawTimer_;
  QImage backBuffer_;   // the last rendered picture
  QImage spareBuffer_;  // the next one is drawn here, then the two swap
  QString statusText_;

  ChartPage currentPage_ = ChartPage::Source;
  bool alive_ = false;
  bool sourceShown_ = false;
  bool redrawPending_ = false;
  bool suppressColorClick_ = false;
  bool busy_ = false;  // a file load is running its busy pump
  int hoverIndex_ = 0;
  int pageNo_ = 1;  // the pie's page
  int tickCount_ = 0;
  int renderCount_ = 0;
  int lineCapacity_ = 0;

  HeaderBar* header_ = nullptr;
  NavPanel* nav_ = nullptr;
  StatusBar* status_ = nullptr;
  ChartView* image_ = nullptr;
  SourcePage* source_ = nullptr;

  std::function<QAction*(QMenu&, QPoint)> menuRunner_;
  std::function<QDateTime()> clock_;
  std::function<bool(QPrinter&)> printRunner_;
};

}  // namespace qh
