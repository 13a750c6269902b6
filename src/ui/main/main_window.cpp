// Construction, load handler, layout and the redraw cycle of the main window.
#include "ui/main/main_window.h"

#include "app/startup.h"
#include "ui/about/hand_cursor.h"
#include "ui/main/window_accessible.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "ui/main/nav_panel.h"
#include "ui/main/overlay_controls.h"
#include "ui/main/source_page.h"
#include "ui/main/source_preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace qh {

inline constexpr int kRedrawIntervalMs = 120;
inline constexpr int kSettlingTicks = 8;
inline constexpr int kMinDrawSide = 20;

namespace {

// A frameless area that scrolls its content up and down only when the
// content is taller than the room.
QScrollArea* MakeScroller(QWidget* parent, const QColor& background) {
  auto* area = new QScrollArea(parent);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setWidgetResizable(false);
  area->setFocusPolicy(Qt::NoFocus);
  QPalette palette = area->viewport()->palette();
  palette.setColor(QPalette::Window, background);
  area->viewport()->setPalette(palette);
  area->viewport()->setAutoFillBackground(true);
  return area;
}

// The area takes the room; its content the room's width (less the scroll
// bar when it shows) and at least contentHeight.
void FitScroller(QScrollArea& area, QWidget& content, const QRect& room, int contentHeight) {
  area.setGeometry(room);
  const bool scrolls = contentHeight > room.height();
  const int bar = scrolls ? area.verticalScrollBar()->sizeHint().width() : 0;
  content.resize(std::max(1, room.width() - bar), std::max(room.height(), contentHeight));
}

}  // namespace

MainWindow::MainWindow(AppState& state, UserMessages& messages, FileDialogs& dialogs,
                       WindowHooks hooks, float scale)
    : state_(state),
      messages_(messages),
      dialogs_(dialogs),
      hooks_(std::move(hooks)),
      s_(std::max(1.0f, scale)),
      model_(state, messages, *this, s_) {
  InstallAccessibleFactory();
  BuildControls();
  ConnectControls();
  Load();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  disconnect(qApp, nullptr, this, nullptr);  // no focus news while the controls go
}

void MainWindow::BuildControls() {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setMinimumSize(MinimumClientSizeWithin(s_, QSize(state_.Work.Width, state_.Work.Height)));
  setAccessibleName(windowTitle());
  resize(1220, 700);  // the designed client size
  header_ = new HeaderBar(fonts_, this);
  navScroll_ = MakeScroller(this, QColor(0x1F, 0x29, 0x3A));
  nav_ = new NavPanel(fonts_, model_.Labels(), navScroll_);
  navScroll_->setWidget(nav_);
  status_ = new StatusBar(fonts_, this);
  image_ = new ChartView(this);
  sourceScroll_ = MakeScroller(this, Qt::white);
  source_ = new SourcePage(sourceScroll_);
  sourceScroll_->setWidget(source_);
  ring_ = new FocusRing(s_);
  ring_->setParent(this);
  // Names for tests and accessibility tools that look for the regions.
  header_->setObjectName(QStringLiteral("header"));
  nav_->setObjectName(QStringLiteral("nav"));
  status_->setObjectName(QStringLiteral("status"));
  image_->setObjectName(QStringLiteral("chart"));
  source_->setObjectName(QStringLiteral("source"));
  for (QWidget* w : std::initializer_list<QWidget*>{header_, nav_, status_}) {
    w->setAutoFillBackground(false);
    w->setAttribute(Qt::WA_OpaquePaintEvent);
  }
  header_->SetScale(s_);
  nav_->SetScale(s_);
  status_->SetScale(s_);
  drawTimer_.setInterval(kRedrawIntervalMs);
}

void MainWindow::ConnectControls() {
  connect(&drawTimer_, &QTimer::timeout, this, &MainWindow::TimerTick);
  connect(qApp, &QApplication::focusChanged, this, &MainWindow::FollowFocus);
  connect(nav_, &NavPanel::LeftPressed, this, &MainWindow::OnNavPressed);
  connect(nav_, &NavPanel::UpgradeClicked, this, [this] { StartUpdate(); });
  connect(nav_, &NavPanel::ItemActivated, this, &MainWindow::OnNavItem);
  connect(nav_, &NavPanel::OptionActivated, this, &MainWindow::OnOptionKey);
  connect(status_, &StatusBar::LinkClicked, this, [this] {
    if (hooks_.ShowAbout) hooks_.ShowAbout(this);
  });
  connect(source_, &SourcePage::BrowseClicked, this, [this] {
    model_.Browse();
    ShowModel();
  });
  connect(source_, &SourcePage::NoticeDismissed, this, [this] {
    model_.DismissNotice();
    ShowModel();
  });
  connect(source_, &SourcePage::ApplyClicked, this, [this] {
    model_.ApplyTypedText(source_->ManualText());
    ShowModel();
  });
  connect(source_->ColorCombo(), &QComboBox::currentIndexChanged, this, &MainWindow::OnColorPicked);
  connect(image_, &ChartView::MouseMoved, this, &MainWindow::OnChartMouseMove);
  connect(image_, &ChartView::WheelTurned, this, [this](int angleDelta) {
    model_.TurnWheel(angleDelta);
    ShowModel();
  });
  connect(image_, &ChartView::RightReleased, this, &MainWindow::OnChartRightRelease);
  connect(
      image_, &ChartView::PictureOutOfDate, this,
      [this] {
        redrawPending_ = true;
        RenderCanvas();
      },
      Qt::QueuedConnection);
}

void MainWindow::Load() {
  alive_ = true;
  setAcceptDrops(true);
  qApp->installEventFilter(this);  // key preview: the window sees keys first
  const std::optional<QCursor> hand = EmbeddedHandCursor();
  nav_->SetHandCursor(hand);
  status_->SetHandCursor(hand);
  navScroll_->lower();
  nav_->VersionLabel()->raise();
  nav_->UpgradeLabel()->raise();
  fonts_.Ensure(s_);
  FillColorList();
  Relayout();
  PlaceMainWindow();
  Relayout();
  redrawPending_ = true;
  RenderCanvas();
}

namespace {

bool UsableWorkArea(const WorkArea& work) { return work.Width >= 200 && work.Height >= 150; }

// The window manager puts its frame around the client area only once the
// window is shown; then the client shrinks so that the frame, title bar
// included, lies inside the work area.
void KeepFrameInWorkArea(QWidget& window, const WorkArea& work) {
  if (!UsableWorkArea(work) || window.isMaximized() || window.isFullScreen()) return;
  const QRect client = FitFrameInto(QRect(work.Left, work.Top, work.Width, work.Height),
                                    window.frameGeometry(), window.geometry());
  if (client != window.geometry()) window.setGeometry(client);
}

}  // namespace

void MainWindow::PlaceMainWindow() {
  // On Wayland a window cannot place itself and the available area is the
  // whole output, under the title bar too: the compositor fits a maximised
  // window instead.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  const WorkArea& work = state_.Work;
  if (UsableWorkArea(work)) setGeometry(work.Left, work.Top, work.Width, work.Height);
}

void MainWindow::Relayout() {
  layout_ = ComputeWindowLayout(width(), height(), s_);
  header_->setGeometry(layout_.Header);
  FitScroller(*navScroll_, *nav_, layout_.Nav, NavContentHeight(s_));
  status_->setGeometry(layout_.Status);
  image_->setGeometry(layout_.Canvas);
  image_->show();
  nav_->SetNavTop(layout_.NavTop);
  nav_->LayoutLabels(hooks_.VersionText ? hooks_.VersionText() : QString());
  FitScroller(*sourceScroll_, *source_, layout_.Canvas, SourceContentHeight(s_));
  source_->Relayout(s_, source_->height(), fonts_.Family());
  model_.SetCanvasSize(layout_.Canvas.width(), layout_.Canvas.height());
  drawnRevision_ = model_.Revision();
  ShowModel();
  RequestRedraw();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!alive_) return;
  Relayout();
  redrawPending_ = true;
}

void MainWindow::RequestRedraw() {
  redrawPending_ = true;
  if (alive_) drawTimer_.start();
}

void MainWindow::TimerTick() {
  SyncSourceView();
  RenderCanvas();
  ++tickCount_;
  if (tickCount_ < kSettlingTicks) {
    KeepFrameInWorkArea(*this, state_.Work);
    Relayout();
    redrawPending_ = true;
    drawTimer_.start();
  }
}

void MainWindow::RenderCanvas() {
  drawTimer_.stop();
  if (!alive_) return;
  const int w = layout_.Canvas.width(), h = layout_.Canvas.height();
  if (w < kMinDrawSide || h < kMinDrawSide) return;
  bool pending = redrawPending_;
  // The picture is drawn at the screen's own pixels and shown at the canvas
  // size; the chart itself is laid out in window pixels as before.
  const qreal ratio = image_->devicePixelRatioF();
  if (backBuffer_.size() != ChartPicturePixels(QSize(w, h), ratio) ||
      backBuffer_.devicePixelRatio() != ratio) {
    backBuffer_ = NewChartPicture(QSize(w, h), ratio);
    spareBuffer_ = QImage();
    if (backBuffer_.isNull()) return;  // no memory: the next request tries again
    pending = true;
  }
  if (!pending) return;
  drawnRevision_ = model_.Revision();
  // Draw into the buffer the chart image does not show, so the shown picture
  // is never copied before it is overwritten.
  if (spareBuffer_.size() != backBuffer_.size() || spareBuffer_.devicePixelRatio() != ratio)
    spareBuffer_ = NewChartPicture(QSize(w, h), ratio);
  if (spareBuffer_.isNull()) return;
  spareBuffer_.fill(Qt::white);  // also the part pixel a fractional ratio leaves past w × h
  {
    QPainter painter(&spareBuffer_);
    if (!painter.isActive()) return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawPageContent(painter, w, h);
  }
  std::swap(backBuffer_, spareBuffer_);
  redrawPending_ = false;
  if (model_.Page() != ChartPage::Source) PresentChart();
  // What the drawing holds (a partial chart) is said as soon as it is drawn.
  RepaintFrameBars();
  UpdateChartSpeech();
}

void MainWindow::DrawPageContent(QPainter& painter, int w, int h) {
  if (model_.Page() == ChartPage::Source) {
    DrawSourcePreview(painter, fonts_, model_.Table(), w, h, s_);
    return;
  }
  RenderChart(painter, w, h, model_.Table(), model_.Request(), model_.Drawing());
}

void MainWindow::PresentChart() {
  image_->SetPicture(backBuffer_);
  image_->SetHighlight(model_.HoverOutline());
  image_->setGeometry(layout_.Canvas);
  image_->show();
  image_->raise();
}

// Esc, F5, 退出 and the window's close button all end here, so text typed
// and not yet charted is asked about whichever closes the window.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (alive_ && !model_.MayClose(source_->ManualText())) {
    event->ignore();
    return;
  }
  alive_ = false;
  drawTimer_.stop();
  qApp->removeEventFilter(this);
  setAcceptDrops(false);
  backBuffer_ = QImage();
  spareBuffer_ = QImage();
  event->accept();
}

}  // namespace qh
