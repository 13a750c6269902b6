// Files named .xls or .xlsx that are HTML, XML Spreadsheet 2003 or text
// inside, as business systems export them, against the same table saved as
// a real .html, .csv and .xlsx (tests/data/exports/make_exports.py).
#include "base/diag_log.h"
#include "data/source_loader.h"

#include "support/chart_items.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

QString ExportPath(const char* name) {
  return QStringLiteral(QH_TEST_DATA_DIR "/exports/") + QString::fromUtf8(name);
}

const std::vector<ChartItem> kTable = {{u"华北区"_qs, 1234.5},
                                       {u"华东区"_qs, 88},
                                       {u"华南区"_qs, 1234.5},
                                       {u"西北区"_qs, -7},
                                       {u"东北区"_qs, 12.5}};

TEST(DisguisedExports, GiveTheSameItemsAsTheRealKinds) {
  const char* files[] = {
      "table.html",    "table_gbk.html", "table.csv",     "table_gbk.csv",    "table.xlsx",
      "html_utf8.xls", "html_gbk.xls",   "html_gbk.xlsx", "xml2003_utf8.xls", "xml2003_gbk.xls",
      "tsv_gbk.xls",   "csv_utf8.xls",   "csv_utf8.xlsx",
  };
  for (const char* file : files) {
    ItemTable table;
    EXPECT_TRUE(LoadSourceFile(ExportPath(file), LoadLimits{}, table))
        << file << ": " << table.LastError.toStdString() << table.LastHint.toStdString();
    EXPECT_EQ(table.Items, kTable) << file;
  }
}

// A disguised HTML file is read exactly as the same file named .html: the
// same summary and the same log lines.
TEST(DisguisedExports, HtmlInsideKeepsTheHtmlReadersWords) {
  QTemporaryDir dir;
  const QByteArray bytes = test::ReadAll(ExportPath("html_gbk.xls"));
  const auto traceOf = [&](const QString& name, ItemTable& table) {
    const QString path = dir.filePath(name);
    test::WriteAll(path, bytes);
    DiagLog log(dir.filePath(name + u".log"_qs));
    LoadSourceFile(path, LoadLimits{}, table, &log);
    return test::ReadAll(dir.filePath(name + u".log"_qs));
  };
  ItemTable asHtml, asXls;
  const QByteArray htmlTrace = traceOf(u"r.html"_qs, asHtml);
  EXPECT_EQ(traceOf(u"r.xls"_qs, asXls), htmlTrace);
  EXPECT_FALSE(htmlTrace.isEmpty());
  EXPECT_EQ(asXls.LastHint, asHtml.LastHint);
  EXPECT_EQ(asXls.LastHint, u"表格 1 校验通过,共 5 项数据."_qs);
}

// Each kind of content keeps its own reader's messages; separated text is
// read as Excel reads it and speaks of Excel, as workbooks do.
TEST(DisguisedExports, RefusalsUseTheMessagesOfTheReaderChosen) {
  QTemporaryDir dir;
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QString Error;
  };
  // clang-format off
  const Case cases[] = {
      {"three-column csv", "A,1,2\nB,2,3\n", u"数据源Excel不是两列数据,无法生成图表."_qs},
      {"csv after a byte order mark", "\xEF\xBB\xBF", u"数据源 Excel 中没有数据,无法生成图表."_qs},
      {"html table, upper case", "<TABLE><TR><TD>A</TD><TD>1</TD></TR><TR><TD>B</TD><TD>x</TD></TR></TABLE>",
       u"数据源 HTML 表格第 2 列存在非数值内容,无法生成图表."_qs},
      {"xml that is no spreadsheet goes on as text", "<?xml version=\"1.0\"?><a>1</a>",
       u"数据源Excel不是两列数据,无法生成图表."_qs},
      {"spreadsheet xml without worksheet",
       "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"/>",
       u"数据源 Excel 表格中没有数据."_qs},
      {"spreadsheet xml with a doctype",
       "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"1\">]>"
       "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"/>",
       u"读取 Excel 文件失败."_qs},
      {"binary", QByteArray("A,1\nB,2\n") + QByteArray(1, '\0'), u"读取 Excel 文件失败."_qs},
      {"zip signature only", "PK junk", u"读取 Excel 文件失败."_qs},
      {"compound signature only", QByteArray::fromHex("D0CF11E0") + "junk", u"读取 Excel 文件失败."_qs},
  };
  // clang-format on
  for (const Case& c : cases) {
    const QString path = dir.filePath(u"export.xls"_qs);
    test::WriteAll(path, c.Bytes);
    ItemTable table;
    EXPECT_FALSE(LoadSourceFile(path, LoadLimits{}, table)) << c.Name;
    EXPECT_EQ(table.LastError, c.Error) << c.Name << " " << table.LastError.toStdString();
    if (c.Error == u"读取 Excel 文件失败.") {
      EXPECT_TRUE(table.LastHint.startsWith(u"无法打开或解析该文件:\r\n"_qs + path)) << c.Name;
    }
  }
}

// GBK text after a UTF-8 byte order mark (some converters write one): the
// mark goes and the rest reads as GBK, exactly as for a .csv file.
TEST(DisguisedExports, ByteOrderMarkBeforeGbkText) {
  QTemporaryDir dir;
  const QByteArray bytes = "\xEF\xBB\xBF\xBC\xD7,1\r\n\xD2\xD2,2\r\n";  // 甲,1 乙,2
  for (const char* name : {"bom.csv", "bom.xls"}) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    test::WriteAll(path, bytes);
    ItemTable table;
    EXPECT_TRUE(LoadSourceFile(path, LoadLimits{}, table)) << name;
    EXPECT_EQ(table.Items, (std::vector<ChartItem>{{u"甲"_qs, 1}, {u"乙"_qs, 2}})) << name;
  }
}

QByteArray Utf16(const QString& text, bool bigEndian) {
  QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
  for (QChar c : text) {
    const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
    bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
  }
  return bytes;
}

// "Unicode text": UTF-16 with its byte order mark, under every name that
// is read, holding each kind of text export.
TEST(DisguisedExports, Utf16TextWithByteOrderMark) {
  QTemporaryDir dir;
  const QString tsv = u"名称\t金额\r\n华北区\t1234.5\r\n华东区\t88\r\n"_qs;
  const QString html =
      u"<table><tr><td>华北区</td><td>1,234.5</td></tr>"
      "<tr><td>华东区</td><td>88</td></tr></table>"_qs;
  const QString xml =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
      "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>"
      "<Row><Cell><Data>华北区</Data></Cell><Cell><Data>1234.5</Data></Cell></Row>"
      "<Row><Cell><Data>华东区</Data></Cell><Cell><Data>88</Data></Cell></Row>"
      "</Table></Worksheet></Workbook>"_qs;
  const std::pair<const char*, QString> files[] = {
      {"u.xls", tsv},
      {"u.txt.xlsx", u"华北区;1234.5\n华东区;88"_qs},
      {"u.csv", u"华北区,\"1,234.5\"\n华东区,88"_qs},
      {"u.htm", html},
      {"h.xls", html},
      {"x.xls", xml},
  };
  const std::vector<ChartItem> expected = {{u"华北区"_qs, 1234.5}, {u"华东区"_qs, 88}};
  for (const auto& [name, text] : files) {
    for (const bool big : {false, true}) {
      const QString path = dir.filePath(QString::fromUtf8(name));
      test::WriteAll(path, Utf16(text, big));
      ItemTable table;
      EXPECT_TRUE(LoadSourceFile(path, LoadLimits{}, table))
          << name << big << table.LastError.toStdString();
      EXPECT_EQ(table.Items, expected) << name << big;
    }
  }
  // Without the mark it stays binary.
  const QString path = dir.filePath(u"nomark.xls"_qs);
  test::WriteAll(path, Utf16(tsv, false).sliced(2));
  ItemTable table;
  EXPECT_FALSE(LoadSourceFile(path, LoadLimits{}, table));
  EXPECT_EQ(table.LastError, u"读取 Excel 文件失败."_qs);
}

// The currency sign of the Chinese locale, half- or full-width, in every reader.
TEST(DisguisedExports, YenSignsInEveryReader) {
  QTemporaryDir dir;
  const QByteArray rows =
      "A,\"\xC2\xA5"
      "1,234.50\"\nB,\xEF\xBF\xA5"
      "2\n";
  const QByteArray html =
      "<table><tr><td>A</td><td>\xC2\xA5"
      "1,234.50</td></tr>"
      "<tr><td>B</td><td>\xEF\xBF\xA5"
      "2</td></tr></table>";
  const std::pair<const char*, QByteArray> files[] = {
      {"y.csv", rows}, {"y.html", html}, {"y.xls", html}};
  const std::vector<ChartItem> expected = {{u"A"_qs, 1234.5}, {u"B"_qs, 2}};
  for (const auto& [name, bytes] : files) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    test::WriteAll(path, bytes);
    ItemTable table;
    EXPECT_TRUE(LoadSourceFile(path, LoadLimits{}, table)) << name;
    EXPECT_EQ(table.Items, expected) << name;
  }
  ItemTable typed;
  EXPECT_TRUE(ParseManualInput(u"A,\u00A51,234.50\nB,\uFFE52"_qs, LoadLimits{}, typed));
  EXPECT_EQ(typed.Items, expected);
}

}  // namespace
}  // namespace qh
