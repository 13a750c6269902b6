#include "data/html/html_reader.h"
#include "data/source_loader.h"
#include "support/read_export.h"

#include "base/code_page.h"
#include "base/diag_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::ReadHtmlExport;

QByteArray Table(const QString& rows) {
  return ("<html><body><table>" + rows + "</table></body></html>").toUtf8();
}

QString Row(const QString& a, const QString& b) {
  return "<tr><td>" + a + "</td><td>" + b + "</td></tr>";
}

const QString kBadError = QStringLiteral("数据源 HTML 表格第 2 列存在非数值内容,无法生成图表.");
QString BadHint(int row, const QString& text) {
  return QStringLiteral("第 %1 行的数值列为").arg(row) + text +
         QStringLiteral(".\r\n\r\n数据源 HTML 表格的第 2 列必须全部为数值.");
}
const QString kColumnsError = QStringLiteral("数据源 HTML 表格不是两列数据,无法生成图表.");
QString ColumnsHint(int n) {
  return QStringLiteral("检测到表格为 %1 列,本工具要求数据源 HTML 表格为两列数据(项目,数值).")
             .arg(n) +
         QStringLiteral("\r\n\r\n请让系统导出两列格式的表格,或改用[数据源]页面的手工输入.");
}

TEST(HtmlReader, Verdicts) {
  struct Case {
    const char* Name;
    QByteArray Html;
    bool Ok;
    int Count;
    QString Error;
    QString Hint;
  };
  const QString ab = Row("A", "1") + Row("B", "2");
  // clang-format off
  const Case cases[] = {
      {"header skipped", Table(Row("项目", "金额") + ab), true, 2, {}, QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"total row is data", Table(Row("Total", "100") + ab), true, 3, {}, QStringLiteral("表格 1 校验通过,共 3 项数据.")},
      {"layout table first",
       ("<table><tr><td>logo</td></tr></table>" + QString(Table(ab))).toUtf8(), true, 2, {},
       QStringLiteral("表格 2 校验通过,共 2 项数据.")},
      {"title row spanning both columns",
       Table("<tr><td colspan=2>销售报表</td></tr>" + Row("项目", "金额") + ab), false, 0, kBadError, BadHint(2, "金额")},
      {"equal cells merge into one", Table(Row("100", "100") + ab), true, 2, {}, QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"repeated spanned cell", Table("<tr><td>A</td><td>A</td><td>5</td></tr>" + Row("B", "6")), true, 2, {},
       QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"three columns", Table("<tr><td>A</td><td>1</td><td>x</td></tr>" + ab), false, 0, kColumnsError, ColumnsHint(3)},
      {"one column", Table("<tr><td>A</td></tr>"), false, 0, kColumnsError, ColumnsHint(1)},
      {"bad value", Table(ab + Row("C", "n/a")), false, 0, kBadError, BadHint(3, "n/a")},
      {"one item", Table(Row("A", "1")), false, 0, QStringLiteral("数据源 HTML 表格没有可用的两列数据(项目,数值)."),
       QStringLiteral("有效数据行不足 2 行,无法生成图表.")},
      {"no rows", Table("<caption>x</caption>"), false, 0, QStringLiteral("数据源 HTML 表格中没有任何数据行."),
       QStringLiteral("表格中没有找到 <tr> 行,无法生成图表.")},
      {"no table", "<html><p>nothing</p></html>", false, 0, QStringLiteral("数据源 HTML 中未找到表格,无法生成图表."),
       QStringLiteral("文件中没有任何 <table> 表格.\r\n\r\n本工具要求数据源 HTML 表格为两列数据(项目,数值).")},
      {"first failing table is reported",
       (QString(Table(ab + Row("C", "x"))) + QString(Table(Row("A", "1")))).toUtf8(), false, 0, kBadError,
       BadHint(3, "x")},
      {"trailing blank row ignored", Table(ab + "<tr><td>&nbsp;</td><td> </td></tr>"), true, 2, {},
       QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"blank rows before the header", Table("<tr><td></td><td></td><td></td></tr>" + Row("项目", "金额") + ab), true, 2,
       {}, QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"slash in a cell attribute",
       Table("<tr><td style=\"background:url(/img/a.png)\">A</td><td>1</td></tr>" + Row("B", "2")), true, 2, {},
       QStringLiteral("表格 1 校验通过,共 2 项数据.")},
      {"infinite value refused", Table(Row("A", "1e999") + ab), false, 0, kBadError, BadHint(1, "1e999")},
  };
  // clang-format on
  for (const Case& c : cases) {
    ItemTable table;
    EXPECT_EQ(ReadHtmlExport(c.Html, table), c.Ok) << c.Name;
    EXPECT_EQ(table.ItemCount(), c.Count) << c.Name;
    EXPECT_EQ(table.LastError, c.Error) << c.Name;
    EXPECT_EQ(table.LastHint, c.Hint) << c.Name;
  }
}

TEST(HtmlReader, CellTextIsCleaned) {
  ItemTable table;
  ASSERT_TRUE(
      ReadHtmlExport(Table(Row("North&nbsp;Region", "1 234") + Row("R&amp;D", "<b>&#53;</b>") +
                           Row("华东&middot;上海", "&yen;7") + Row("&ldquo;新&rdquo;区", "3") +
                           Row("2&times;4", "8")),
                     table));
  const std::vector<ChartItem> expected = {{QStringLiteral("NorthRegion"), 1234},
                                           {QStringLiteral("R&D"), 5},
                                           {QStringLiteral("华东·上海"), 7},
                                           {QStringLiteral("“新”区"), 3},
                                           {QStringLiteral("2×4"), 8}};
  EXPECT_EQ(table.Items, expected);
}

// A caption titles the charts: tags and entities go, spaces run together.
TEST(HtmlReader, CaptionIsKept) {
  const QString ab = Row("A", "1") + Row("B", "2");
  const struct {
    QString Html;
    const char16_t* Caption;
  } rows[] = {
      {"<caption> 2026年 <b>11月</b>&nbsp;销售报表 </caption>" + ab, u"2026年 11月 销售报表"},
      {ab, u""},
      {ab + "<caption>below the rows</caption>", u""},
  };
  for (const auto& r : rows) {
    ItemTable table;
    table.Caption = QStringLiteral("from before");
    ASSERT_TRUE(ReadHtmlExport(Table(r.Html), table));
    EXPECT_EQ(table.Caption, QString::fromUtf16(r.Caption)) << r.Html.toStdString();
  }
}

TEST(HtmlReader, GbkWithoutCharsetAndUtf8WithBom) {
  const QString html = QStringLiteral("<meta charset=\"utf-8\"><table>") + Row("项目", "金额") +
                       Row("华东", "53,147.44") + Row("华南", "-12") + "</table>";
  const std::vector<ChartItem> expected = {{QStringLiteral("华东"), 53147.44},
                                           {QStringLiteral("华南"), -12}};
  for (const QByteArray& bytes : {EncodeGbk(html), QByteArray("\xEF\xBB\xBF") + html.toUtf8()}) {
    ItemTable table;
    ASSERT_TRUE(ReadHtmlExport(bytes, table)) << table.LastHint.toStdString();
    EXPECT_EQ(table.Items, expected);
  }
}

TEST(HtmlReader, TracesEveryTableToTheLog) {
  QTemporaryDir dir;
  const QString logPath = dir.filePath("qzChart.log");
  const QString htmlPath = dir.filePath("r.html");
  const QByteArray html = Table("<tr><td>x</td></tr>" + Row("A", "?") + Row("B", "1")) +
                          Table(Row("项目", "金额") + Row("A", "1") + Row("B", "2"));
  {
    QFile file(htmlPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(html);
  }
  DiagLog log(logPath);
  ItemTable table;
  ASSERT_TRUE(LoadSourceFile(htmlPath, LoadLimits{}, table, &log));
  QFile file(logPath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = DecodeGbk(file.readAll());
  const QString expected = QStringLiteral(
      "html len=%1 tables=2\r\n"
      "table 1 rows=3\r\n"
      "  row 1 cells=1 norm=1\r\n"
      "  row 2 not numeric [?]\r\n"
      "  row 3 item=B val=1\r\n"
      "table 2 rows=3\r\n"
      "  row 1 header skipped [项目][金额]\r\n"
      "  row 2 item=A val=1\r\n"
      "  row 3 item=B val=2\r\n"
      "parse ok table=2 items=2\r\n");
  EXPECT_EQ(text, expected.arg(QString::fromUtf8(html).size()));
}

}  // namespace
}  // namespace qh
