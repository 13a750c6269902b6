// Time and size of a chart's PNG file: our encoder against Qt's writer at
// its fastest zlib level, on the three chart kinds and a blank page.
#include "chart/render_chart.h"
#include "png/png_encoder.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

QImage Picture(int kind) {
  if (kind == 3) {
    QImage blank(1920, 1080, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
  }
  qh::ItemTable table;
  for (int i = 0; i < 12; ++i)
    table.Items.Add(QStringLiteral("华东区域项目%1").arg(i + 1),
                    1000.0 + i * 731.5 - (i % 4 == 3 ? 3000 : 0));
  QImage image(1200, 700, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  qh::ChartRequest request;
  request.Page = static_cast<qh::ChartPage>(kind);
  qh::ChartState state;
  qh::RenderChart(painter, image.width(), image.height(), table, request, state);
  return image;
}

void BM_Ours(benchmark::State& state) {
  const QImage image = Picture(static_cast<int>(state.range(0)));
  qsizetype bytes = 0;
  for (auto _ : state) bytes = qh::EncodePng(image).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_QtLevelOne(benchmark::State& state) {
  const QImage image = Picture(static_cast<int>(state.range(0)));
  qsizetype bytes = 0;
  for (auto _ : state) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(80);  // zlib level 1
    writer.write(image);
    bytes = png.size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

// 0 bar, 1 pie, 2 line (1200x700), 3 a blank 1920x1080 page.
BENCHMARK(BM_Ours)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_QtLevelOne)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
