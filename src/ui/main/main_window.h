#pragma once
// The one working window: draws its model in four regions (header,
// navigation, status bar, canvas), keeps the back buffer the charts are drawn
// into and the coalescing redraw timer, and forwards its events to the model.
#include "app/window_model.h"
#include "chart/chart_fonts.h"
#include "chart/chart_page.h"
#include "chart/render_chart.h"
#include "ui/main/window_layout.h"
#include "ui/services/chart_export.h"
#include "ui/services/pending_drop.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

class QScrollArea;

namespace qh {

struct AppState;
class ChartView;
class FileDialogs;
class FocusRing;
class HeaderBar;
class NavPanel;
class SourcePage;
class StatusBar;
class UserMessages;

// What the window asks of the rest of the program.
struct WindowHooks {
  std::function<void(QWidget* owner)> ShowAbout;    // the status bar link
  std::function<void(QWidget* owner)> StartUpdate;  // F10 and the upgrade label
  std::function<QString()> VersionText;             // "版本:" + this
};

class MainWindow final : public QWidget, private WindowActions {
  Q_OBJECT

 public:
  // Builds the controls and runs the load handler. scale is DpiScale().
  MainWindow(AppState& state, UserMessages& messages, FileDialogs& dialogs, WindowHooks hooks,
             float scale);
  ~MainWindow() override;

  // What the window shows and decides; the window only draws it.
  const WindowModel& Model() const { return model_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building, layout and the redraw cycle (main_window.cpp)
  void BuildControls();
  void ConnectControls();
  void Load();
  void PlaceMainWindow();
  void Relayout();
  void RequestRedraw();
  void TimerTick();
  void RenderCanvas();
  void DrawPageContent(QPainter& painter, int w, int h);
  void PresentChart();

  // Showing the model (main_window_pages.cpp)
  void ShowModel();
  void PlaceColorRow();
  void SyncSourceView();
  void ShowSourceFrame();
  void RepaintFrameBars();
  void OnNavPressed(QPointF pos);
  void OnNavItem(int index);
  void OnOptionKey(int rowIndex);
  void FollowPageWithFocus();
  void ChainTabOrder();
  void UpdateChartSpeech();
  void FollowFocus();
  void FillColorList();
  void OnColorPicked(int index);
  void SelectColorEntry();

  // Events and the outputs the model asks for (main_window_commands.cpp)
  void DeliverPendingDrop();
  void OnChartMouseMove(QPointF pos);
  void OnChartRightRelease(QPoint globalPos);
  void RunChartMenu(QPoint globalPos);
  void ShowKeyItem();
  VectorChart CurrentVectorChart() const;
  bool PickSourceFile(const QString& initialPath, QString& path) override;
  SaveOutcome SaveChart(const QString& folder, const QString& name) override;
  void CopyChart() override;
  std::optional<QString> PrintChart() override;
  void Close() override;
  void StartUpdate() override;
  void OpenChartMenu() override;
  void ShowBusy(bool busy) override;
  std::optional<TableChoice> ChooseTablePart(const TableChooserOffer& offer) override;

  AppState& state_;
  UserMessages& messages_;
  FileDialogs& dialogs_;
  WindowHooks hooks_;
  float s_;
  WindowModel model_;

  ChartFonts fonts_;
  WindowLayout layout_;
  PendingDrop drops_;
  QTimer drawTimer_;
  QImage backBuffer_;   // the last rendered picture
  QImage spareBuffer_;  // the next one is drawn here, then the two swap

  bool alive_ = false;
  bool redrawPending_ = false;
  bool suppressColorClick_ = false;
  bool busy_ = false;       // a file load is running its busy pump
  int drawnRevision_ = -1;  // the model revision the picture shows
  int tickCount_ = 0;
  std::optional<ChartPage> focusPage_;  // the page the focus was last moved to

  HeaderBar* header_ = nullptr;
  NavPanel* nav_ = nullptr;
  QScrollArea* navScroll_ = nullptr;  // the panel scrolls when the window is too short for it
  StatusBar* status_ = nullptr;
  ChartView* image_ = nullptr;
  SourcePage* source_ = nullptr;
  QScrollArea* sourceScroll_ = nullptr;  // likewise the source page in a short canvas
  QPointer<FocusRing> ring_;             // moves between the hosts of the controls
};

}  // namespace qh
