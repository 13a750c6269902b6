// Main window timings on the offscreen platform.
//   ui_window_bench                 Google Benchmark: hover redraw, start-up
//   ui_window_bench --first-chart F one whole start-up on F up to the first
//                                   chart on screen, then exit (for hyperfine)
#include "app/startup.h"
#include "base/user_messages.h"
#include "chart/pie_chart.h"
#include "ui/main/chart_view.h"
#include "ui/main/main_window.h"
#include "ui/services/file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

class NoDialogs final : public qh::FileDialogs {
 public:
  bool PickSourceFile(QWidget*, const QString&, QString&) override { return false; }
  bool PickJpgSavePath(QWidget*, const QString&, const QString&, QString&) override {
    return false;
  }
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
  QTemporaryDir dir;
  qh::AppState state;
  qh::RecordedMessages messages;
  NoDialogs dialogs;
  std::unique_ptr<qh::MainWindow> window;

  QString WriteData(int rows) {
    const QString path = dir.filePath(QStringLiteral("data.html"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(HtmlRows(rows));
    return path;
  }
  // Start-up steps, the window, and the first chart painted on screen.
  void Start(const QString& dataPath, QSize client) {
    qh::StartupEnvironment env;
    env.AppDir = dir.path() + QStringLiteral("/");
    env.Arguments = {dataPath};
    qh::RunStartup(state, env, messages);
    window = std::make_unique<qh::MainWindow>(state, messages, dialogs, qh::WindowHooks{}, 1.0f);
    window->resize(client);
    window->show();
    window->TimerTick();
    window->Chart()->repaint();
  }
};

// The client size whose canvas is 1600 × 900 at 96 DPI.
const QSize kClient(1600 + 176 + 24, 900 + 58 + 26 + 24);

// Arg: the chart page (0 bar, 1 pie, 2 line).
void BM_HoverChange(benchmark::State& st) {
  Program p;
  p.Start(p.WriteData(100000), kClient);
  p.window->SwitchPage(static_cast<qh::ChartPage>(st.range(0)));
  p.window->TimerTick();
  const auto& regions = p.window->HitRegions();
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
    const QSize canvas = p.window->Layout().Canvas.size();
    const qh::PieLayout pie =
        qh::ComputePieLayout(canvas.width(), canvas.height(), p.state.Table, request);
    a = QPointF(pie.Cx + 5, pie.Cy - 60);
    b = QPointF(pie.Cx + 5, pie.Cy + 60);
  }
  bool flip = false;
  for (auto _ : st) {
    const QPointF at = (flip = !flip) ? a : b;
    QMouseEvent move(QEvent::MouseMove, at, p.window->Chart()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(p.window->Chart(), &move);
    p.window->Chart()->repaint();  // present: the picture reaches the screen
  }
  st.counters["renders"] = p.window->RenderCount();
}
BENCHMARK(BM_HoverChange)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_StartupToFirstChart(benchmark::State& st) {
  Program data;
  const QString path = data.WriteData(10000);
  for (auto _ : st) {
    Program p;
    p.Start(path, QSize(1220, 700));
    benchmark::DoNotOptimize(p.window->ShownPicture().isNull());
  }
}
BENCHMARK(BM_StartupToFirstChart)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);

int FirstChartOnce(const char* file) {
  Program p;
  p.Start(QString::fromLocal8Bit(file), QSize(1220, 700));
  return p.window->ShownPicture().isNull() ? 1 : 0;
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
