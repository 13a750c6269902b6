// Cost of logging one HTML load of 100,000 rows, file writes included.
#include "base/diag_log.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

void BM_LogHundredThousandRows(benchmark::State& state) {
  const QString path = QDir::tempPath() + QStringLiteral("/qh_bench_qzChart.log");
  std::vector<QString> lines;
  const bool chinese = state.range(0) != 0;
  for (int i = 1; i <= 100000; ++i) {
    lines.push_back(QStringLiteral("  row %1 item=%2%1 val=%1")
                        .arg(i)
                        .arg(chinese ? QStringLiteral("华东区") : QStringLiteral("East")));
  }
  for (auto _ : state) {
    QFile::remove(path);
    qh::DiagLog log(path);
    for (const QString& line : lines) log.WriteLog(line);
    log.Flush();
  }
  QFile::remove(path);
}
BENCHMARK(BM_LogHundredThousandRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
