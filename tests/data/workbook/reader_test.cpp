#include "data/workbook/reader.h"
#include "data/source_loader.h"

#include "support/chart_items.h"
#include "support/test_files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QStringList>
#include <gtest/gtest.h>

namespace qh {
namespace {

QString WorkbookPath(const char* name) {
  return QStringLiteral(QH_TEST_DATA_DIR "/workbooks/") + QString::fromUtf8(name);
}

QStringList ReadLines(const char* name, bool* ok = nullptr) {
  SheetLines lines;
  const bool read = ReadWorkbookLines(test::ReadAll(WorkbookPath(name)), lines);
  if (ok != nullptr) *ok = read;
  QStringList out;
  for (QStringView line : lines.Lines) out.append(line.toString().replace(u'\t', u'|'));
  return out;
}

// The same sheet saved by three writers. openpyxl stores no formula results,
// so its formula cell reads empty.
TEST(ReadWorkbookLines, ValueKindsFromRealWriters) {
  const QStringList common = {u"名称|金额"_qs,    u"华北区|3000000000"_qs, u"华东区|12.5"_qs,
                              u"华南区|1E+20"_qs, u"西北区|1234"_qs,       u"名称|-7"_qs};
  const QStringList tail = {u"日期|45306"_qs, u"2023|0.1"_qs};
  struct Case {
    const char* File;
    QStringList FormulaAndBooleans;
  };
  const Case cases[] = {
      {"basic_libreoffice.xlsx", {u"合计|25"_qs, u"开关|-1"_qs, u"关闭|0"_qs}},
      {"basic_openpyxl.xlsx", {u"合计|"_qs, u"开关|-1"_qs, u"关闭|0"_qs}},
      {"basic_libreoffice.xls", {u"合计|25"_qs, u"开关|-1"_qs, u"关闭|0"_qs}},
      // A directory entry name claiming 255 bytes where an entry has 64:
      // the name is read within its entry.
      {"hostile_long_entry_name.xls", {u"合计|25"_qs, u"开关|-1"_qs, u"关闭|0"_qs}},
      // A recorded used range (DIMENSION) of 65536 x 256 around these cells.
      {"hostile_big_dimension.xls", {u"合计|25"_qs, u"开关|-1"_qs, u"关闭|0"_qs}},
  };
  for (const Case& c : cases) {
    bool ok = false;
    EXPECT_EQ(ReadLines(c.File, &ok), common + c.FormulaAndBooleans + tail) << c.File;
    EXPECT_TRUE(ok) << c.File;
  }
}

TEST(ReadWorkbookLines, SheetLayouts) {
  struct Case {
    const char* File;
    QStringList Lines;
  };
  const Case cases[] = {
      {"xlwt_basic.xls",
       {u"项目|数值"_qs, u"甲|3000000000"_qs, u"乙|12.5"_qs, u"丙|1234"_qs, u"名称|1E+20"_qs,
        u"日期|45306"_qs, u"真|-1"_qs}},
      // cached results: text, number, boolean, error, empty text, a long text
      {"formulas_libreoffice.xlsx", {u"华北|10"_qs, u"-1|"_qs, u"|"_qs + QString(300, u'长')}},
      {"formulas_libreoffice.xls", {u"华北|10"_qs, u"-1|"_qs, u"|"_qs + QString(300, u'长')}},
      // shared strings with rich runs and phonetics, inline strings, cells
      // without references, an understated <dimension>, rows out of order,
      // an error cell, a cached formula string, booleans, an _x0009_ escape
      {"hand_built.xlsx",
       {u"名称|金额|"_qs, u"华北区|1500|"_qs, u"内联|42|"_qs, u"公式|7|"_qs, u"TabHere|-1|0"_qs}},
      {"no_dimension.xlsx", {u"甲|1"_qs, u"乙|2"_qs}},
      {"sheet_order.xlsx", {u"甲|1"_qs, u"乙|2"_qs}},
      {"merged.xlsx", {u"地区|销量"_qs, u"华北|10"_qs, u"|20"_qs, u"华南|30"_qs}},
      {"third_column_empty.xlsx", {u"名称|金额|"_qs, u"A|10|"_qs, u"B|20|"_qs}},
      {"third_column_empty.xls", {u"名称|金额|"_qs, u"A|10|"_qs, u"B|20|"_qs}},
      {"empty_first_sheet.xlsx", {}},
      {"empty_first_sheet.xls", {}},
      // <c t="s"><v/></c> is an empty cell
      {"empty_shared_value.xlsx", {u"名称|"_qs, u"甲|1"_qs, u"乙|2"_qs, u"|"_qs}},
      // every part in UTF-16, little- and big-endian, declared as such
      {"utf16_parts.xlsx", {u"甲|1"_qs, u"乙|2"_qs}},
  };
  for (const Case& c : cases) {
    bool ok = false;
    EXPECT_EQ(ReadLines(c.File, &ok), c.Lines) << c.File;
    EXPECT_TRUE(ok) << c.File;
  }
}

// A workbook stream past the compound file's small-stream cutoff.
TEST(ReadWorkbookLines, LongXlsKeepsFormulaResultsAndBooleans) {
  bool ok = false;
  const QStringList lines = ReadLines("long_libreoffice.xls", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(lines.size(), 503);
  EXPECT_EQ(lines[1], u"项目1|1"_qs);
  EXPECT_EQ(lines[500], u"项目500|500"_qs);
  EXPECT_EQ(lines[501], u"合计|125250"_qs);
  EXPECT_EQ(lines[502], u"真|-1"_qs);
}

TEST(ReadWorkbookLines, HostileFilesAreRefusedQuickly) {
  const char* files[] = {
      "hostile_sst_index.xlsx", "hostile_far_cell.xlsx", "hostile_doctype.xlsx",
      "hostile_deep.xlsx",      "hostile_zip_bomb.xlsx", "hostile_truncated.xlsx",
      "hostile_truncated.xls",  "make_workbooks.py",
  };
  for (const char* file : files) {
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    EXPECT_TRUE(ReadLines(file, &ok).isEmpty()) << file;
    EXPECT_FALSE(ok) << file;
    EXPECT_LT(timer.elapsed(), 20000) << file;
  }
}

// Damaged copies of real workbooks: each read either fails or gives lines,
// and never crashes or stalls.
TEST(ReadWorkbookLines, SurvivesDamagedBytesAnywhere) {
  for (const char* name : {"basic_libreoffice.xls", "formulas_libreoffice.xls", "hand_built.xlsx",
                           "dates_excel95.xls", "dates_excel4.xls", "dates_wps.xls"}) {
    QFile source(WorkbookPath(name));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    for (qsizetype at = 0; at < original.size(); at += 61) {
      for (const char byte : {'\x00', '\xFF', '\x7F'}) {
        QByteArray damaged = original;
        damaged[at] = byte;
        SheetLines lines;
        ReadWorkbookLines(damaged, lines);
      }
    }
  }
}

// One table saved by every writer: Excel 97 format from LibreOffice, xlwt
// and a WPS-style file (code page record, defined name, rich-text shared
// strings split over CONTINUE records), Excel 95 from Gnumeric, an Excel
// 4.0 worksheet file, and .xlsx. Dates and times keep their fraction.
TEST(LoadWorkbook, EveryXlsFlavourGivesTheItemsOfTheXlsx) {
  const std::vector<ChartItem> expected = {
      {u"整数"_qs, 3000000000}, {u"小数"_qs, 12.5}, {u"时长"_qs, 1.5}, {u"日期时间"_qs, 45000.5},
      {u"时刻"_qs, 10.6325},    {u"负数"_qs, -7},   {u"布尔"_qs, -1},  {u"文本数"_qs, 1234},
  };
  ItemTable xlsx;
  ASSERT_TRUE(LoadSourceFile(WorkbookPath("dates.xlsx"), LoadLimits{}, xlsx));
  EXPECT_EQ(xlsx.Items, expected);
  for (const char* file : {"dates_libreoffice.xls", "dates_xlwt.xls", "dates_wps.xls",
                           "dates_excel95.xls", "dates_excel4.xls"}) {
    ItemTable table;
    EXPECT_TRUE(LoadSourceFile(WorkbookPath(file), LoadLimits{}, table)) << file;
    EXPECT_EQ(table.Items, xlsx.Items) << file;
  }
}

#if defined(Q_OS_WIN)
const QString kUnreadableHintTail =
    QStringLiteral("\r\n\r\n请确认文件未损坏,且本机已安装 Excel 或 WPS 表格.");
#else
const QString kUnreadableHintTail = QStringLiteral(
    "\r\n\r\n请确认文件未损坏;也可以在 LibreOffice Calc 或 WPS 表格中另存为 .xlsx 或 CSV 后再试.");
#endif

TEST(LoadWorkbook, VerdictsAndMessages) {
  struct Case {
    const char* File;
    bool Ok;
    QString Error;
    QString HintStart;
  };
  const Case cases[] = {
      {"no_dimension.xlsx", true, {}, {}},
      {"missing.xlsx", false, u"数据源文件不存在."_qs, u"找不到文件:\r\n"_qs},
      {"empty_first_sheet.xlsx", false, u"数据源 Excel 表格中没有数据."_qs,
       u"工作表没有可用的数据行:\r\n"_qs},
      {"empty_first_sheet.xls", false, u"数据源 Excel 表格中没有数据."_qs,
       u"工作表没有可用的数据行:\r\n"_qs},
      {"third_column_empty.xlsx", false, u"数据源Excel不是两列数据,无法生成图表."_qs,
       u"检测到 3 列"_qs},
      {"third_column_empty.xls", false, u"数据源Excel不是两列数据,无法生成图表."_qs,
       u"检测到 3 列"_qs},
      {"hostile_doctype.xlsx", false, u"读取 Excel 文件失败."_qs, u"无法打开或解析该文件:\r\n"_qs},
      {"hostile_truncated.xls", false, u"读取 Excel 文件失败."_qs, u"无法打开或解析该文件:\r\n"_qs},
  };
  for (const Case& c : cases) {
    ItemTable table;
    table.Items.Add(u"旧", 1);
    const QString path = WorkbookPath(c.File);
    EXPECT_EQ(LoadSourceFile(path, LoadLimits{}, table), c.Ok) << c.File;
    EXPECT_EQ(table.LastError, c.Error) << c.File;
    EXPECT_TRUE(table.LastHint.startsWith(c.HintStart)) << c.File << table.LastHint.toStdString();
    if (c.Ok) {
      EXPECT_EQ(table.Items, (std::vector<ChartItem>{{u"甲"_qs, 1}, {u"乙"_qs, 2}}));
    } else {
      EXPECT_TRUE(table.Items.empty()) << c.File;
    }
    if (c.Error == u"读取 Excel 文件失败.") {
      EXPECT_EQ(table.LastHint, u"无法打开或解析该文件:\r\n"_qs + path + kUnreadableHintTail);
    } else if (c.HintStart.endsWith(u"\r\n")) {
      EXPECT_EQ(table.LastHint, c.HintStart + path);
    }
  }
}

TEST(LoadWorkbook, PasswordProtectedWorkbooksSayWhy) {
  for (const char* file : {"password.xlsx", "password.xls", "typed_rc4.xls", "typed_agile.xlsx"}) {
    ItemTable table;
    const QString path = WorkbookPath(file);
    EXPECT_FALSE(LoadSourceFile(path, LoadLimits{}, table)) << file;
    EXPECT_EQ(table.LastError, u"读取 Excel 文件失败."_qs) << file;
    EXPECT_EQ(table.LastHint,
              u"该工作簿设有打开密码,无法读取:\r\n"_qs + path +
                  u"\r\n\r\n请在 Excel 或 WPS 表格中取消密码后另存,或另存为 CSV 后使用."_qs)
        << file;
  }
}

// Encrypted with the password Excel uses when none was typed, a package
// whose part names use "\\", and a workbook whose embedded object holds a
// "Workbook" of its own: each reads as the plain file it came from
// (tests/data/workbooks/make_encrypted.py).
TEST(LoadWorkbook, QuirkFilesReadAsThePlainFileTheyCameFrom) {
  const std::pair<const char*, const char*> cases[] = {
      {"velvet_rc4.xls", "xlwt_basic.xls"},
      {"velvet_cryptoapi.xls", "xlwt_basic.xls"},
      {"velvet_standard.xlsx", "basic_openpyxl.xlsx"},
      {"velvet_agile.xlsx", "basic_openpyxl.xlsx"},
      {"backslash_names.xlsx", "basic_openpyxl.xlsx"},
      {"embedded_object.xls", "xlwt_basic.xls"},
  };
  for (const auto& [file, plainFile] : cases) {
    ItemTable table, plain;
    const bool ok = LoadSourceFile(WorkbookPath(file), LoadLimits{}, table);
    EXPECT_EQ(ok, LoadSourceFile(WorkbookPath(plainFile), LoadLimits{}, plain)) << file;
    EXPECT_EQ(table.Items, plain.Items) << file;
    EXPECT_EQ(table.LastError, plain.LastError) << file;
    EXPECT_EQ(table.LastHint.replace(QString::fromUtf8(file), QString::fromUtf8(plainFile)),
              plain.LastHint)
        << file;
  }
  ItemTable xls;
  ASSERT_TRUE(LoadSourceFile(WorkbookPath("velvet_rc4.xls"), LoadLimits{}, xls));
  EXPECT_EQ(xls.ItemCount(), 6);
}

TEST(SniffWorkbookContent, LooksAtTheFirstBytesOnly) {
  const std::pair<QByteArray, WorkbookContent> cases[] = {
      {QByteArray::fromHex("D0CF11E0A1B11AE1"), WorkbookContent::Compound},
      {QByteArray::fromHex("D0CF11E0"), WorkbookContent::Compound},
      {"PK\x03\x04", WorkbookContent::Zip},
      {"PK", WorkbookContent::Zip},
      {"<table>", WorkbookContent::Text},
      {"A,1\nB,2", WorkbookContent::Text},
      {QByteArray("A,1\n") + QByteArray(1, '\0'), WorkbookContent::Binary},
      {QByteArray::fromHex("FFFE3C00"), WorkbookContent::Binary},  // UTF-16 text
      {QByteArray(4095, 'a') + QByteArray(1, '\0'), WorkbookContent::Binary},
      {QByteArray(4096, 'a') + QByteArray(1, '\0'), WorkbookContent::Text},
  };
  for (const auto& [bytes, content] : cases) {
    EXPECT_EQ(SniffWorkbookContent(bytes), content) << bytes.left(16).toHex().constData();
  }
}

}  // namespace
}  // namespace qh
