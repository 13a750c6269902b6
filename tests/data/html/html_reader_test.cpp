#include "data/html/html_reader.h"
#include "data/source_loader.h"
#include "support/chart_items.h"
#include "support/read_export.h"
#include "support/whole_of.h"

#include "base/code_page.h"
#include "base/diag_log.h"
#include "data/text_decode.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>
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

// What parse (a call with a log) left in a table, and the log it wrote.
template <typename Parse>
std::pair<ItemTable, QString> ParseLogged(const QTemporaryDir& dir, Parse parse) {
  const QString logPath = dir.filePath(QStringLiteral("parse.log"));
  QFile::remove(logPath);
  std::pair<ItemTable, QString> out;
  out.first.Caption = QStringLiteral("from before");
  {
    DiagLog log(logPath);
    parse(out.first, &log);
  }
  QFile file(logPath);
  if (file.open(QIODevice::ReadOnly)) out.second = DecodeGbk(file.readAll());
  return out;
}

// Every field of two readings of one text, and their logs, alike.
void ExpectSameReading(const ItemTable& a, const QString& aLog, const ItemTable& b,
                       const QString& bLog, const std::string& name) {
  EXPECT_EQ(b.Items, a.Items) << name;
  EXPECT_EQ(b.ItemCount(), a.ItemCount()) << name;
  EXPECT_EQ(b.LastError, a.LastError) << name;
  EXPECT_EQ(b.LastHint, a.LastHint) << name;
  EXPECT_EQ(b.Caption, a.Caption) << name;
  EXPECT_EQ(b.ValueHeading, a.ValueHeading) << name;
  EXPECT_EQ(b.Notes, a.Notes) << name;
  EXPECT_EQ(b.Columns, a.Columns) << name;
  EXPECT_EQ(b.FirstRow, a.FirstRow) << name;
  EXPECT_TRUE(b.Whole == a.Whole) << name;
  EXPECT_EQ(bLog, aLog) << name;
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

// The bytes read in place give what their decoded text gives, in every
// field and every log line: tags broken by spaces outside ASCII, characters
// of four bytes, entities, captions, chosen columns, tables cut short.
TEST(HtmlReader, Utf8InPlaceReadsAsDecodedText) {
  const QString ab = Row("A", "1") + Row("B", "2");
  // clang-format off
  const QByteArray htmls[] = {
      Table(Row("项目", "金额") + Row("华东&middot;上海", "1,234.5") + Row("𠀀区", "-7") + Row("x", "+.5")),
      Table(Row("地区", "销售额&nbsp;(元)") + ab),
      Table("<caption>\xC2\xA0 报表 <i>𝒳</i></caption>" + Row("A", "1e3") + Row("B", "5.") + Row("C", "50%")),
      Table("<tr><\xC2\xA0td>A<td\xE3\x80\x80/>b<td>1</tr>" + Row("B", "2") + Row("C", "3")),
      Table("<tr><td>A</td><t\xC2\xA0" "d>1</td></tr>" + ab),
      Table(Row("A", "\xE3\x80\x80" "1\xC2\xA0" "2 ") + Row("B", "￥3") + Row("C", "0.1000000000000000055511151231257827")),
      Table(Row("A", "1") + Row("B", "２")),
      Table(Row("A", "99999999999999999999999999999999999999999999999999999999999999999") + ab),
      Table(Row("A", "1") + "<tr><td>A</td><td>A</td><td>5</td></tr>" + Row("合计", "6")),
      "<table><tr><td>a</td><td>1</td></tr><tr><td>b</td><td>2</td></tr>",
      "<TABLE\n><TR\t><TD>a<TD>1</TR><tr ><td>b</td><td>-0</td></Tr></TABLE><table>" + ab.toUtf8() + "</table>",
      "\xEF\xBB\xBF<table><caption>a</caption><caption>b</caption>" + ab.toUtf8() + "</table>",
      "<table>" + Row("a", "1").toUtf8() + "<tr><td>b<td>2</table>",
      Table("<tr><td>A&#128512;&#x4E2D;&nbsp;&amp;</td><td>&#49;&#46;5</td></tr>" + ab),
      // A "<" inside a tag sends the row the long way: the close tag may hide there.
      Table("<tr><td title=\"a<b\">A</td><td>1</td></tr>" + ab),
      Table("<tr><td title=\"</tr>\">A</td><td>1</td></tr>" + ab),
      Table(ab + "<tr><td>C</td><td>3</td><span"),
      // Names a compact table may or may not take as their bytes stand.
      Table(Row("名称", "值") + Row("a>b", "1") + Row("<b>粗</b>体", "2") + Row("x y", "3") +
            Row("\xC2\xA0甲\xE3\x80\x80乙", "4") + Row("丙&lt;", "5") + Row("𠀀丁", "6") +
            "<tr><td></td><td>7</td></tr><tr><td/>戊<td>8</tr>" + Row("\xC2\xA9\xE3\x81\x82", "9") +
            Row("甲\xC2\xA0乙", "10")),
      // A first row is a header by its name alone.
      Table(Row("项目A", "5") + ab),
      // Equal extremes: the first counts (0 before -0).
      Table(Row("A", "0") + Row("B", "-0") + Row("C", "-0")),
      "<tab",
      "",
  };
  // clang-format on
  TableChoice columns;
  columns.NameColumn = QStringLiteral("1");
  columns.ValueColumn = QStringLiteral("2");
  columns.NoTotal = true;
  QTemporaryDir dir;
  for (const QByteArray& html : htmls) {
    for (const TableChoice& choice : {TableChoice{}, columns}) {
      auto [decoded, decodedLog] = ParseLogged(dir, [&](ItemTable& t, DiagLog* log) {
        ParseHtmlText(DecodeFileText(html), LoadLimits{}, t, log, choice);
      });
      auto [inPlace, inPlaceLog] = ParseLogged(dir, [&](ItemTable& t, DiagLog* log) {
        ParseHtmlUtf8(html, LoadLimits{}, t, log, choice);
      });
      const ItemTable tables[2] = {std::move(decoded), std::move(inPlace)};
      const QString logs[2] = {decodedLog, inPlaceLog};
      const std::string name = html.left(120).toStdString();
      // Items kept compact: the same names, some taken as their bytes stand.
      LoadLimits compact;
      compact.CompactItems = true;
      ItemTable packed;
      EXPECT_EQ(ParseHtmlUtf8(html, compact, packed, nullptr, choice),
                tables[0].LastError.isEmpty())
          << name;
      EXPECT_EQ(packed.ItemCount(), tables[0].ItemCount()) << name;
      EXPECT_EQ(packed.LastHint, tables[0].LastHint) << name;
      if (packed.Compact) {
        CompactItems::Reader reader(*packed.Compact);
        std::string_view packedName;
        double value = 0;
        for (const ItemRef item : tables[0].Items) {
          ASSERT_TRUE(reader.Next(packedName, value)) << name;
          EXPECT_EQ(QString::fromUtf8(packedName), item.Name) << name;
          EXPECT_EQ(value, item.Value) << name;
        }
      }
      // Only the first items kept, the rest told by the whole table's figures.
      for (const size_t keep : {size_t{1}, size_t{2}}) {
        for (const bool packs : {false, true}) {
          LoadLimits first;
          first.KeepItems = static_cast<int>(keep);
          first.CompactItems = packs;
          ItemTable part;
          EXPECT_EQ(ParseHtmlUtf8(html, first, part, nullptr, choice),
                    tables[0].LastError.isEmpty())
              << name;
          EXPECT_EQ(part.LastError, tables[0].LastError) << name;
          EXPECT_EQ(part.ItemCount(), tables[0].ItemCount()) << name;
          const ItemList& all = tables[0].Items;
          if (!packs) {
            ASSERT_EQ(part.Items.size(), std::min(keep, all.size())) << name;
            for (size_t i = 0; i < part.Items.size(); ++i)
              EXPECT_TRUE(part.Items[i] == all[i]) << name;
          }
          ASSERT_EQ(part.Whole.has_value(), all.size() > keep) << name;
          if (!part.Whole) continue;
          const WholeTable expected = test::WholeOf(all);
          EXPECT_TRUE(*part.Whole == expected) << name;
          EXPECT_EQ(std::signbit(part.Whole->Highest), std::signbit(expected.Highest)) << name;
        }
      }
      ExpectSameReading(tables[0], logs[0], tables[1], logs[1], name);
    }
  }
}

// Code page 936 read in place gives what its text decoded whole gives, in
// every field and log line: trail bytes that look like tag letters ("<\xB1td>"
// is no cell tag), ideographic spaces in tags (A1 A1, or the end of a
// character and a lone A1), lone lead bytes before "<" and at the end, FF
// and 80. Random texts of such pieces, some shaped as tables.
TEST(HtmlReader, CodePage936InPlaceReadsAsDecodedText) {
  // clang-format off
  const std::vector<std::string> pieces = {
      "<table>", "</table>", "<tr>", "</tr>", "<td>", "</td>", "<th>", "<td/>", "<TD >",
      "<caption>", "</caption>", "<\xB1td>", "<t\xA1\xA1" "d>", "<\xA1\xA1td>", "<td/\xA1\xA1>",
      "<td\xB0\xA1\xA1>", "<td/\xB0\xA1\xA1>", "<td \xA1>", "<\x81tr>", "\x81<tr>", "</t\x81r>",
      "\xD6\xD0", "\xB9\xFA", "\xA1\xA1", "\x81", "\xFE", "\xFF", "\x80", "\xB0" "d", "\xB0<",
      "&amp;", "&#20013;", "&n\xA1\xA1;", "1", "2.5", "-3", "1,234", " ", "\xCF\xEE\xC4\xBF", "x",
  };
  // clang-format on
  std::mt19937 random(936);
  const auto text = [&](unsigned most) {
    std::string out;
    for (auto n = static_cast<unsigned>(random() % (most + 1)); n > 0; --n)
      out += pieces[random() % pieces.size()];
    return out;
  };
  std::vector<QByteArray> htmls;
  for (int k = 0; k < 200; ++k) {
    std::string html =
        text(4) + "<table>" + (k % 3 == 0 ? "<caption>" + text(3) + "</caption>" : "");
    for (auto rows = static_cast<unsigned>(random() % 5); rows > 0; --rows)
      html += "<tr><td>" + text(2) + "</td><td>" + (k % 2 ? text(2) : "12") + "</td></tr>";
    html += k % 5 == 0 ? text(3) : "</table>" + text(2);
    htmls.emplace_back(html.data(), static_cast<qsizetype>(html.size()));
    const std::string any = text(40);
    htmls.emplace_back(any.data(), static_cast<qsizetype>(any.size()));
  }
  htmls.push_back(EncodeGbk(QStringLiteral("<table><caption>报表</caption>") + Row("项目", "金额") +
                            Row("华东", "1") + Row("华南", "2") + "</table>") +
                  "\xD6");
  TableChoice columns;
  columns.NameColumn = QStringLiteral("1");
  columns.ValueColumn = QStringLiteral("2");
  columns.NoTotal = true;
  LoadLimits compact, first;
  compact.CompactItems = true;
  first.KeepItems = 1;
  QTemporaryDir dir;
  for (const QByteArray& html : htmls) {
    for (const TableChoice& choice : {TableChoice{}, columns}) {
      for (const LoadLimits& limits : {LoadLimits{}, compact, first}) {
        auto [decoded, decodedLog] = ParseLogged(dir, [&](ItemTable& t, DiagLog* log) {
          ParseHtmlUtf8(CodePage936ToUtf8(html), limits, t, log, choice);
        });
        auto [inPlace, inPlaceLog] = ParseLogged(dir, [&](ItemTable& t, DiagLog* log) {
          ParseHtmlCodePage936(html, limits, t, log, choice);
        });
        const ItemTable tables[2] = {std::move(decoded), std::move(inPlace)};
        const QString logs[2] = {decodedLog, inPlaceLog};
        const std::string name = html.toHex().left(400).toStdString();
        ExpectSameReading(tables[0], logs[0], tables[1], logs[1], name);
        ASSERT_EQ(tables[1].Compact.has_value(), tables[0].Compact.has_value()) << name;
        if (!tables[0].Compact) continue;
        CompactItems::Reader readers[2] = {CompactItems::Reader(*tables[0].Compact),
                                           CompactItems::Reader(*tables[1].Compact)};
        std::string_view names[2];
        double values[2] = {0, 0};
        while (readers[0].Next(names[0], values[0])) {
          ASSERT_TRUE(readers[1].Next(names[1], values[1])) << name;
          EXPECT_EQ(names[1], names[0]) << name;
          EXPECT_EQ(values[1], values[0]) << name;
        }
        EXPECT_FALSE(readers[1].Next(names[1], values[1])) << name;
      }
    }
  }
}

// A table over the item limit is refused at the first item too many, and
// no later table is read, whichever way the bytes are read.
TEST(HtmlReader, Utf8InPlaceKeepsTheItemLimit) {
  LoadLimits limits;
  limits.MaxItems = 2;
  const QByteArray html =
      Table(Row("A", "1") + Row("B", "2") + Row("C", "3")) + Table(Row("A", "1") + Row("B", "2"));
  ItemTable table;
  EXPECT_FALSE(ParseHtmlUtf8(html, limits, table, nullptr));
  EXPECT_TRUE(table.Items.empty());
  ItemTable decoded;
  ParseHtmlText(QString::fromUtf8(html), limits, decoded, nullptr);
  EXPECT_EQ(table.LastError, decoded.LastError);
  EXPECT_EQ(table.LastHint, decoded.LastHint);
}

}  // namespace
}  // namespace qh
