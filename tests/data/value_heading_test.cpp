// The header row's value cell is kept as the table's value heading by every
// reader, also where a column choice consumed the header row, and left
// empty where it says nothing beyond "the numbers".
#include "data/source_loader.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

QByteArray HtmlRows(const char* header, const char* cells = "<td>A</td><td>1</td>") {
  return QByteArray("<table><tr>") + header + "</tr><tr>" + cells +
         "</tr><tr><td>B</td><td>2</td></tr></table>";
}

TEST(ValueHeading, EveryReaderKeepsTheHeaderOfTheNumbers) {
  const QString books = QStringLiteral(QH_TEST_DATA_DIR "/workbooks/");
  TableChoice byText, byNumber, titled;
  byText.NameColumn = QStringLiteral("地区");
  byText.ValueColumn = QStringLiteral(" 收入(万元) ");
  byNumber.NameColumn = QStringLiteral("1");
  byNumber.ValueColumn = QStringLiteral("3");
  titled.SkipRows = 1;
  const QByteArray wide = "地区,成本,收入 (万元)\n华东,1,10\n华南,2,20\n";
  const struct {
    const char* Name;
    const char* Ext;
    QByteArray Bytes;
    TableChoice Choice;
    const char16_t* Heading;
  } cases[] = {
      {"csv unit", "csv", "地区,销售额(元)\n华东,1\n华南,2\n", {}, u"销售额(元)"},
      {"csv spaces go", "csv", "名称,\" 销售 额 (元) \"\nA,1\nB,2\n", {}, u"销售额(元)"},
      {"csv generic word", "csv", "项目,数值\nA,1\nB,2\n", {}, u""},
      {"csv generic in any case", "csv", "Item, VALUE \nA,1\nB,2\n", {}, u""},
      {"csv generic word with a unit", "csv", "项目,金额(万元)\nA,1\nB,2\n", {}, u"金额(万元)"},
      {"csv generic amount", "csv", "项目,金额\nA,1\nB,2\n", {}, u""},
      {"csv no header", "csv", "A,1\nB,2\n", {}, u""},
      {"csv refused", "csv", "项目,销量\nA,1\nB,x\n", {}, u""},
      {"csv below a title row", "csv", "2026年报表\n地区,销量\nA,1\nB,2\n", titled, u"销量"},
      {"csv columns by text", "csv", wide, byText, u"收入(万元)"},
      {"csv columns by number", "csv", wide, byNumber, u"收入(万元)"},
      {"html th", "html", HtmlRows("<th>项目</th><th>销售额(元)</th>"), {}, u"销售额(元)"},
      {"html entities and tags",
       "html",
       HtmlRows("<td>名称</td><td><b>金额</b>&nbsp;(万元)</td>"),
       {},
       u"金额(万元)"},
      {"html generic word", "html", HtmlRows("<th>项目</th><th>数值</th>"), {}, u""},
      {"html no header", "html", HtmlRows("<td>A</td><td>1</td>", "<td>C</td><td>3</td>"), {}, u""},
      {"html columns by text", "html",
       HtmlRows("<th>地区</th><th>收入(万元)</th><th>备注</th>",
                "<td>A</td><td>10</td><td>新店</td>"),
       byText, u"收入(万元)"},
      {"xlsx generic word", "xlsx", test::ReadAll(books + "basic_libreoffice.xlsx"), {}, u""},
      {"xlsx", "xlsx", test::ReadAll(books + "merged.xlsx"), {}, u"销量"},
      {"xls generic word", "xls", test::ReadAll(books + "basic_libreoffice.xls"), {}, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_FALSE(c.Bytes.isEmpty());
    ItemTable table;
    table.ValueHeading = QStringLiteral("from before");
    const QString ext = QString::fromLatin1(c.Ext);
    const bool ok = LoadSourceBytes(c.Bytes, ext, QStringLiteral("t.") + ext, LoadLimits{}, table,
                                    nullptr, c.Choice);
    EXPECT_EQ(ok, table.LastError.isEmpty()) << table.LastError.toStdString();
    EXPECT_EQ(table.ValueHeading, QString::fromUtf16(c.Heading));
  }
}

}  // namespace
}  // namespace qh
