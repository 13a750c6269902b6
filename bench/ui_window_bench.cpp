// Main window timings on the offscreen platform, driven by real events.
//   ui_window_bench                 Google Benchmark: hover redraw, start-up
//   ui_window_bench --first-chart F one whole start-up on F up to the first
//                                   chart on screen, then exit (for hyperfine)
#include "app/startup.h"
#include "base/user_messages.h"
#include "chart/pie_chart.h"
#include "ui/main/chart_view.h"
#include "ui/main/main_window.h"
#include "ui/main/window_layout.h"
#include "ui/services/file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

class NoDialogs final : public qh::FileDialogs {
 public:
  bool PickSourceFile(QWidget*, const QString&, QString&) override { return false; }
  bool PickChartSavePath(QWidget*, const QString&, const QString&, QString&) override {
    return false;
  }
  bool SetUpPrinter(QWidget*, QPrinter&) override { return false; }
};

QByteArray HtmlRows(int rows) {
  QByteArray html = "<html><body><table><tr><th>项目</th><th>数值</th></tr>";
  html.reserve(rows * 48);
  for (int i = 1; i <= rows; ++i)
    html += "<tr><td>项目" + QByteArray::number(i) + "</td><td>" +
            QByteArray::number((i * 7919) % 100000 + 0.25) + "</td></tr>";
  return html + "</table></body></html>";
}

struct Program {
  QTemporaryDir Dir;
  qh::AppState State;
  qh::RecordedMessages Messages;
  NoDialogs Dialogs;
  std::unique_ptr<qh::MainWindow> Window;

  QString WriteData(int rows) {
    const QString path = Dir.filePath(QStringLiteral("data.html"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(HtmlRows(rows));
    return path;
  }
  qh::ChartView* Chart() const {
    return Window->findChild<qh::ChartView*>(QStringLiteral("chart"));
  }
  // Draws are coalesced by a timer: waits until the picture fits the canvas.
  bool WaitForChart() const {
    const QSize canvas =
        qh::ComputeWindowLayout(Window->width(), Window->height(), 1.0f).Canvas.size();
    QElapsedTimer waited;
    waited.start();
    while (Chart()->Picture().size() != canvas && waited.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return Chart()->Picture().size() == canvas;
  }
  // Start-up steps, the window, and the first chart painted on screen.
  void Start(const QString& dataPath, QSize client) {
    qh::StartupEnvironment env;
    env.AppDir = Dir.path() + QStringLiteral("/");
    env.Arguments = {dataPath};
    qh::RunStartup(State, env, Messages);
    Window = std::make_unique<qh::MainWindow>(State, Messages, Dialogs, qh::WindowHooks{}, 1.0f);
    Window->resize(client);
    Window->show();
    WaitForChart();
    Chart()->repaint();
  }
  void PressKey(Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(Window.get(), &press);
  }
};

// The client size whose canvas is 1600 × 900 at 96 DPI.
const QSize kClient(1600 + 176 + 24, 900 + 58 + 26 + 24);

// Args: the chart page (0 bar, 1 pie, 2 line) and the rows of the table.
void BM_HoverChange(benchmark::State& st) {
  Program p;
  p.Start(p.WriteData(static_cast<int>(st.range(1))), kClient);
  const Qt::Key keys[] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
  p.PressKey(keys[st.range(0)]);
  p.WaitForChart();
  const std::vector<qh::HitRegion> regions = p.Window->Model().Drawing().HitRegions;
  if (regions.size() < 2) {
    st.SkipWithError("no chart regions");
    return;
  }
  // Bars and points: the middle of two regions; the pie: two slices.
  QPointF a((regions[0].Left + regions[0].Right) / 2, regions[0].Bottom - 2);
  QPointF b((regions[1].Left + regions[1].Right) / 2, regions[1].Bottom - 2);
  if (st.range(0) == 1) {  // two slices, one on each side of the pie's centre
    qh::ChartRequest request;
    request.Page = qh::ChartPage::Pie;
    const QSize canvas = p.Chart()->Picture().size();
    const qh::PieLayout pie =
        qh::ComputePieLayout(canvas.width(), canvas.height(), p.State.Table, request);
    a = QPointF(pie.Cx + 5, pie.Cy - 60);
    b = QPointF(pie.Cx + 5, pie.Cy + 60);
  }
  bool flip = false;
  int changes = 0;
  for (auto _ : st) {
    const QPointF at = (flip = !flip) ? a : b;
    QMouseEvent move(QEvent::MouseMove, at, p.Chart()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    const int before = p.Window->Model().HoverIndex();
    QCoreApplication::sendEvent(p.Chart(), &move);
    changes += p.Window->Model().HoverIndex() != before;
    p.Chart()->repaint();  // present: the picture reaches the screen
  }
  st.counters["changes"] = benchmark::Counter(changes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HoverChange)
    ->ArgsProduct({{0, 1, 2}, {100000, 1000000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_StartupToFirstChart(benchmark::State& st) {
  Program data;
  const QString path = data.WriteData(10000);
  for (auto _ : st) {
    Program p;
    p.Start(path, QSize(1220, 700));
    benchmark::DoNotOptimize(p.Chart()->Picture().isNull());
  }
}
BENCHMARK(BM_StartupToFirstChart)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int FirstChartOnce(const char* file) {
  Program p;
  p.Start(QString::fromLocal8Bit(file), QSize(1220, 700));
  return p.Chart()->Picture().isNull() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--first-chart") == 0) return FirstChartOnce(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
