// Reader throughput on a large export: 100,000 rows of HTML (UTF-8, and GBK
// without a charset) and the same rows as UTF-8 CSV with BOM and CR LF.
//   data_readers_bench                     run the in-process benchmarks
//   data_readers_bench --write-files DIR [ROWS]
//       write the files for whole-process timing of qinghechart-cli check:
//       ROWS rows (default 100,000) as HTML, GBK HTML and CSV, and a 30 MB
//       CSV that is one single line
//   data_readers_bench --write-csv DIR ROWS
//       write only the CSV (rows_utf8.csv), row by row, so that millions of
//       rows need no more memory than a few
//   data_readers_bench --write-html DIR ROWS
//       the same for the UTF-8 HTML (rows_utf8.html)
#include "base/code_page.h"
#include "base/diag_log.h"
#include "data/csv_reader.h"
#include "data/html/html_reader.h"
#include "data/source_loader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kRows = 100000;

struct Row {
  QString Name;
  QString Value;
};

// Chinese names, some with "&" (written &amp; in HTML), grouped values with
// cents and a negative one now and then.
Row MakeRow(int i) {
  static const QString regions[] = {"华东", "华南", "华北", "华中", "西南", "西北", "东北"};
  static const QString products[] = {"青禾一号", "青禾二号", "配件&耗材", "维保服务", "青禾Pro"};
  const long long cents = (static_cast<long long>(i) * 7919 % 9000000) + 1234;
  QString value = QLocale(QLocale::English).toString(static_cast<double>(cents) / 100.0, 'f', 2);
  if (i % 13 == 5) value.prepend(u'-');
  return {regions[i % 7] + products[i % 5] + QString::number(i), value};
}

std::vector<Row> MakeRows(int count) {
  std::vector<Row> rows;
  rows.reserve(count);
  for (int i = 0; i < count; ++i) rows.push_back(MakeRow(i));
  return rows;
}

QString HtmlStart(bool charset) {
  QString html = QStringLiteral("<html><head>");
  if (charset) html += QStringLiteral("<meta charset=\"utf-8\">");
  return html + QStringLiteral(
                    "<title>销售明细</title></head><body>\r\n<table border=1>\r\n"
                    "<tr><th>项目</th><th>金额</th></tr>\r\n");
}

const QString kHtmlEnd = QStringLiteral("</table></body></html>\r\n");

QString HtmlRow(const Row& row) {
  QString name = row.Name;
  name.replace(u'&', QStringLiteral("&amp;"));
  return QStringLiteral("<tr><td>") + name + QStringLiteral("</td><td align=right>") + row.Value +
         QStringLiteral("</td></tr>\r\n");
}

QString MakeHtml(const std::vector<Row>& rows, bool charset) {
  QString html;
  html.reserve(qsizetype(rows.size()) * 80);
  html += HtmlStart(charset);
  for (const Row& row : rows) html += HtmlRow(row);
  return html + kHtmlEnd;
}

QString CsvLine(const Row& row) {
  return row.Name + QStringLiteral(",\"") + row.Value + QStringLiteral("\"\r\n");
}

const char kCsvStart[] = "\xEF\xBB\xBF项目,金额\r\n";

QByteArray MakeCsv(const std::vector<Row>& rows) {
  QString csv;
  csv.reserve(qsizetype(rows.size()) * 40);
  for (const Row& row : rows) csv += CsvLine(row);
  return kCsvStart + csv.toUtf8();
}

struct Inputs {
  QByteArray HtmlUtf8, HtmlGbk, CsvUtf8;
};

Inputs MakeInputs(int count) {
  const std::vector<Row> rows = MakeRows(count);
  return Inputs{MakeHtml(rows, true).toUtf8(), qh::EncodeGbk(MakeHtml(rows, false)), MakeCsv(rows)};
}

const Inputs& TheInputs() {
  static const Inputs inputs = MakeInputs(kRows);
  return inputs;
}

// A wrong export: every item and value on one line of about 30 MB.
QByteArray MakeOneLineCsv() {
  QByteArray csv;
  csv.reserve(31 * 1024 * 1024);
  for (int i = 0; csv.size() < 30 * 1024 * 1024; ++i) {
    csv += "item" + QByteArray::number(i) + ',' + QByteArray::number(i % 1000) + ',';
  }
  return csv;
}

void CheckLoaded(benchmark::State& state, bool ok, const qh::ItemTable& table) {
  if (!ok || table.ItemCount() != kRows) state.SkipWithError(table.LastError.toStdString().c_str());
}

void BM_HtmlUtf8(benchmark::State& state) {
  const QByteArray& bytes = TheInputs().HtmlUtf8;
  for (auto _ : state) {
    qh::ItemTable table;
    CheckLoaded(state,
                qh::LoadSourceBytes(bytes, QStringLiteral("html"), QStringLiteral("bench.html"),
                                    qh::LoadLimits{}, table),
                table);
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_HtmlGbk(benchmark::State& state) {
  const QByteArray& bytes = TheInputs().HtmlGbk;
  for (auto _ : state) {
    qh::ItemTable table;
    CheckLoaded(state,
                qh::LoadSourceBytes(bytes, QStringLiteral("html"), QStringLiteral("bench.html"),
                                    qh::LoadLimits{}, table),
                table);
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

// The program's own start-up load: from the file, every row traced to the log.
void BM_HtmlUtf8FileWithLog(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("report.html");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write the input");
  file.write(TheInputs().HtmlUtf8);
  file.close();
  for (auto _ : state) {
    QFile::remove(dir.filePath("qzChart.log"));
    qh::DiagLog log(dir.filePath("qzChart.log"));
    qh::ItemTable table;
    CheckLoaded(state, qh::LoadSourceFile(path, qh::LoadLimits{}, table, &log), table);
  }
  state.SetBytesProcessed(state.iterations() * TheInputs().HtmlUtf8.size());
}

void BM_CsvUtf8(benchmark::State& state) {
  const QByteArray& bytes = TheInputs().CsvUtf8;
  for (auto _ : state) {
    qh::ItemTable table;
    CheckLoaded(state, qh::ParseCsvBytes(bytes, qh::LoadLimits{}, table), table);
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

BENCHMARK(BM_HtmlUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlUtf8FileWithLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvUtf8)->Unit(benchmark::kMillisecond);

int WriteFiles(const char* dirName, int rows) {
  const QDir dir(QString::fromLocal8Bit(dirName));
  const Inputs inputs = MakeInputs(rows);
  const QByteArray oneLine = MakeOneLineCsv();
  const std::pair<const char*, const QByteArray*> files[] = {
      {"rows_utf8.html", &inputs.HtmlUtf8},
      {"rows_gbk.html", &inputs.HtmlGbk},
      {"rows_utf8.csv", &inputs.CsvUtf8},
      {"one_line.csv", &oneLine},
  };
  for (const auto& [name, bytes] : files) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
      return 1;
    }
    std::printf("%s %lld bytes\n", qPrintable(file.fileName()),
                static_cast<long long>(bytes->size()));
  }
  return 0;
}

// Writes start, a line of text per row and end to DIR/name a megabyte at
// a time.
template <typename Line>
int WriteRowsFile(const char* dirName, const char* name, int rows, const QByteArray& start,
                  Line line, const QByteArray& end) {
  QFile file(QDir(QString::fromLocal8Bit(dirName)).filePath(QString::fromLatin1(name)));
  if (!file.open(QIODevice::WriteOnly)) return 1;
  QByteArray chunk = start;
  for (int i = 0; i < rows; ++i) {
    chunk += line(MakeRow(i)).toUtf8();
    if (i + 1 == rows) chunk += end;
    if (chunk.size() < (1 << 20) && i + 1 < rows) continue;
    if (file.write(chunk) != chunk.size()) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
      return 1;
    }
    chunk.resize(0);
  }
  std::printf("%s %lld bytes\n", qPrintable(file.fileName()), static_cast<long long>(file.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--write-files") == 0) {
    return WriteFiles(argv[2], argc == 4 ? std::atoi(argv[3]) : kRows);
  }
  if (argc == 4 && std::strcmp(argv[1], "--write-csv") == 0)
    return WriteRowsFile(argv[2], "rows_utf8.csv", std::atoi(argv[3]), kCsvStart, CsvLine, {});
  if (argc == 4 && std::strcmp(argv[1], "--write-html") == 0) {
    return WriteRowsFile(argv[2], "rows_utf8.html", std::atoi(argv[3]), HtmlStart(true).toUtf8(),
                         HtmlRow, kHtmlEnd.toUtf8());
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
