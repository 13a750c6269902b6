// Loading large workbooks: a 100,000-row .xlsx as openpyxl writes it and a
// 60,000-row .xls. Make the files first with
//   /usr/bin/python3 tests/data/workbooks/make_workbooks.py --bench DIR
// and point QH_WORKBOOK_BENCH_DIR at DIR (default /tmp/qh_workbook_bench).
//
//   data_workbook_bench --write-xlsx DIR ROWS
// writes DIR/rows_ROWS.xlsx without any tool: a sheet of a header and ROWS
// rows of a Chinese item name (a shared string) and an amount, laid out as
// openpyxl lays it out (bench/data_cli_xlsx.sh times the command-line tool
// on it; BM_LoadXlsxWritten loads the file QH_WORKBOOK_BENCH_XLSX names).
#include "data/source_loader.h"

#include <QByteArray>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <zip.h>

namespace {

QString BenchFile(const char* name) {
  QString dir = qEnvironmentVariable("QH_WORKBOOK_BENCH_DIR");
  if (dir.isEmpty()) dir = QStringLiteral("/tmp/qh_workbook_bench");
  return dir + u'/' + QString::fromUtf8(name);
}

void LoadPath(benchmark::State& state, const QString& path, int expectedItems) {
  if (!QFile::exists(path)) {
    state.SkipWithError("benchmark workbook missing: run make_workbooks.py --bench");
    return;
  }
  for (auto _ : state) {
    qh::ItemTable table;
    const bool ok = qh::LoadSourceFile(path, qh::LoadLimits{}, table);
    if (!ok || (expectedItems >= 0 && table.ItemCount() != expectedItems)) {
      state.SkipWithError("workbook did not load as expected");
      return;
    }
    benchmark::DoNotOptimize(table.Items.front().Value);
  }
}

void LoadLoop(benchmark::State& state, const char* name, int expectedItems) {
  LoadPath(state, BenchFile(name), expectedItems);
}

void BM_LoadXlsx100k(benchmark::State& state) { LoadLoop(state, "bench_100k.xlsx", 100000); }
void BM_LoadXls60k(benchmark::State& state) { LoadLoop(state, "bench_60k.xls", 60000); }
void BM_LoadXlsxWritten(benchmark::State& state) {
  const QString path = qEnvironmentVariable("QH_WORKBOOK_BENCH_XLSX");
  if (path.isEmpty()) {
    state.SkipWithError("QH_WORKBOOK_BENCH_XLSX names no file: see --write-xlsx");
    return;
  }
  LoadPath(state, path, -1);
}

BENCHMARK(BM_LoadXlsx100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXls60k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXlsxWritten)->Unit(benchmark::kMillisecond);

constexpr const char* kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)"
    R"(</Types>)";
constexpr const char* kRootRels =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
constexpr const char* kWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<workbookPr/><sheets><sheet name="数据" sheetId="1" r:id="rId1"/></sheets></workbook>)";
constexpr const char* kWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(</Relationships>)";

bool AddPart(zip_t* archive, const char* name, QByteArray* text) {
  zip_source_t* source =
      zip_source_buffer(archive, text->constData(), zip_uint64_t(text->size()), 0);
  if (source == nullptr) return false;
  const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(source);
    return false;
  }
  return zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 6) == 0;
}

int WriteXlsxFile(const char* dir, int rows) {
  if (rows < 1) return 2;
  QByteArray sheet =
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<sheetPr><outlinePr summaryBelow="1" summaryRight="1"/><pageSetUpPr/></sheetPr>)";
  sheet += "<dimension ref=\"A1:B" + QByteArray::number(rows + 1) + "\"/>";
  sheet +=
      R"(<sheetViews><sheetView workbookViewId="0"><selection activeCell="A1" sqref="A1"/>)"
      R"(</sheetView></sheetViews><sheetFormatPr baseColWidth="8" defaultRowHeight="15"/>)"
      R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)";
  QByteArray strings = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                       R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )";
  strings += "uniqueCount=\"" + QByteArray::number(rows + 2) + "\">";
  strings += "<si><t>名称</t></si><si><t>数值</t></si>";
  char line[256];
  for (int i = 0; i < rows; ++i) {
    const int r = i + 2;
    const double amount = (i * 37) % 100000 + 0.25;
    sheet.append(line, std::snprintf(line, sizeof line,
                                     "<row r=\"%d\"><c r=\"A%d\" t=\"s\"><v>%d</v></c>"
                                     "<c r=\"B%d\" t=\"n\"><v>%.2f</v></c></row>",
                                     r, r, i + 2, r, amount));
    strings.append(line, std::snprintf(line, sizeof line, "<si><t>项目%d</t></si>", i));
  }
  sheet += R"(</sheetData><pageMargins left="0.75" right="0.75" top="1" bottom="1" )"
           R"(header="0.5" footer="0.5"/></worksheet>)";
  strings += "</sst>";
  QByteArray types(kContentTypes), rootRels(kRootRels), workbook(kWorkbook),
      workbookRels(kWorkbookRels);
  const QByteArray path = QByteArray(dir) + "/rows_" + QByteArray::number(rows) + ".xlsx";
  int error = 0;
  zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return 1;
  const bool added = AddPart(archive, "[Content_Types].xml", &types) &&
                     AddPart(archive, "_rels/.rels", &rootRels) &&
                     AddPart(archive, "xl/workbook.xml", &workbook) &&
                     AddPart(archive, "xl/_rels/workbook.xml.rels", &workbookRels) &&
                     AddPart(archive, "xl/worksheets/sheet1.xml", &sheet) &&
                     AddPart(archive, "xl/sharedStrings.xml", &strings);
  if (!added) {
    zip_discard(archive);
    return 1;
  }
  if (zip_close(archive) != 0) return 1;
  std::printf("%s\n", path.constData());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-xlsx") == 0)
    return WriteXlsxFile(argv[2], std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
