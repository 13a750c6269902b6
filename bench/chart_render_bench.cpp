// Cost of one chart repaint with a large table loaded: the window pays it
// on every hover change.
#include "chart/render_chart.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <random>

namespace {

qh::ItemTable MakeTable(int rows) {
  qh::ItemTable table;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(0, 1e6);
  table.Items.reserve(static_cast<size_t>(rows));
  for (int i = 1; i <= rows; ++i) {
    table.Items.Add(QStringLiteral("华东区域项目%1").arg(i), std::round(value(rng) * 100) / 100);
  }
  return table;
}

void RenderKind(benchmark::State& bench, qh::ChartPage page) {
  static const qh::ItemTable table = MakeTable(100000);
  QImage image(1600, 900, QImage::Format_ARGB32_Premultiplied);
  qh::ChartRequest request;
  request.Page = page;
  request.Title = QStringLiteral("柱形图");
  qh::ChartState state;
  for (auto _ : bench) {
    QPainter painter(&image);
    qh::RenderChart(painter, image.width(), image.height(), table, request, state);
    painter.end();
    benchmark::DoNotOptimize(state.HitRegions.data());
  }
}

void BM_RenderBar(benchmark::State& s) { RenderKind(s, qh::ChartPage::Bar); }
void BM_RenderPie(benchmark::State& s) { RenderKind(s, qh::ChartPage::Pie); }
void BM_RenderLine(benchmark::State& s) { RenderKind(s, qh::ChartPage::Line); }
BENCHMARK(BM_RenderBar)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RenderPie)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RenderLine)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
