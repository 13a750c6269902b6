// Main window timings on the offscreen platform.
//   ui_window_bench                 Google Benchmark: hover redraw, start-up
//   ui_window_bench --first-chart F one whole start-up on F up to the first
//                                   chart on screen, then exit (for hyperfine)
#include "app/startup.h"
#include "app/user_messages.h"
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

void BM_HoverChange(benchmark::State& st) {
  Program p;
  p.Start(p.WriteData(100000), kClient);
  const auto& regions = p.window->HitRegions();
  if (regions.size() < 2) {
    st.SkipWithError("no chart regions");
    return;
  }
  const QPointF a((regions[0].Left + regions[0].Right) / 2, regions[0].Bottom - 2);
  const QPointF b((regions[1].Left + regions[1].Right) / 2, regions[1].Bottom - 2);
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
BENCHMARK(BM_HoverChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
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
