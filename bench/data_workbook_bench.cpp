// Loading large workbooks: a 100,000-row .xlsx as openpyxl writes it and a
// 60,000-row .xls. Make the files first with
//   /usr/bin/python3 tests/data/workbooks/make_workbooks.py --bench DIR
// and point QH_WORKBOOK_BENCH_DIR at DIR (default /tmp/qh_workbook_bench).
#include "data/source_loader.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

QString BenchFile(const char* name) {
  QString dir = qEnvironmentVariable("QH_WORKBOOK_BENCH_DIR");
  if (dir.isEmpty()) dir = QStringLiteral("/tmp/qh_workbook_bench");
  return dir + u'/' + QString::fromUtf8(name);
}

void LoadLoop(benchmark::State& state, const char* name, int expectedItems) {
  const QString path = BenchFile(name);
  if (!QFile::exists(path)) {
    state.SkipWithError("benchmark workbook missing: run make_workbooks.py --bench");
    return;
  }
  for (auto _ : state) {
    qh::ItemTable table;
    const bool ok = qh::LoadSourceFile(path, qh::LoadLimits{}, table);
    if (!ok || table.ItemCount() != expectedItems) {
      state.SkipWithError("workbook did not load as expected");
      return;
    }
    benchmark::DoNotOptimize(table.Items.data());
  }
}

void BM_LoadXlsx100k(benchmark::State& state) { LoadLoop(state, "bench_100k.xlsx", 100000); }
void BM_LoadXls60k(benchmark::State& state) { LoadLoop(state, "bench_60k.xls", 60000); }

BENCHMARK(BM_LoadXlsx100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXls60k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
