#include "data/html/html_scan.h"
#include "data/value_rules.h"

#include <QStringList>

#include <cmath>
#include <gtest/gtest.h>

namespace qh {
namespace {

QStringList ToList(const std::vector<QStringView>& views) {
  QStringList list;
  for (QStringView view : views) list.append(view.toString());
  return list;
}

QStringList FindElements(QStringView text, QStringView tag) {
  return ToList(FindElementViews(text, tag));
}

QStringList SplitCells(QStringView rowText) {
  RowCells row;
  SplitCellsInto(rowText, row);
  return ToList(row.Cells);
}

QStringList MergeDuplicateCells(const QStringList& cells) {
  std::vector<QStringView> views(cells.begin(), cells.end());
  MergeDuplicateCellViews(views);
  return ToList(views);
}

TEST(HtmlScan, FindElements) {
  struct Case {
    const char* Name;
    QString Text;
    const char16_t* Tag;
    QStringList Elements;
  };
  // clang-format off
  const Case cases[] = {
      {"two rows, case kept", "<TR><td>a</td></Tr><tr class=x>b</tr>", u"tr",
       {"<TR><td>a</td></Tr>", "<tr class=x>b</tr>"}},
      {"track is no row", "<track></tr><tr>x</tr>", u"tr", {"<tr>x</tr>"}},
      {"tab, CR and LF end the name", "<tr\tx>1</tr><tr\n>2</tr>", u"tr", {"<tr\tx>1</tr>", "<tr\n>2</tr>"}},
      {"unclosed open tag ends the search", "<tr>1</tr><tr>2", u"tr", {"<tr>1</tr>"}},
      {"nested table cuts the outer one", "<table><tr><td><table>i</table></td></tr></table>", u"table",
       {"<table><tr><td><table>i</table>"}},
      {"close tag with a space does not close", "<tr>1</tr ><tr>2</tr>", u"tr", {"<tr>1</tr ><tr>2</tr>"}},
      {"open tag at the very end", "<tr", u"tr", {}},
      {"lone less-than signs", "<<<<tr>1</tr>", u"tr", {"<tr>1</tr>"}},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(FindElements(c.Text, QStringView(c.Tag)), c.Elements) << c.Name;
}

TEST(HtmlScan, SplitCells) {
  struct Case {
    const char* Name;
    QString Row;
    QStringList Cells;
  };
  // clang-format off
  const Case cases[] = {
      {"plain", "<tr><td>A</td><td>1</td></tr>", {"A", "1"}},
      {"tags inside a cell drop out", "<tr><td><b>A</b></td><TH>1</TH></tr>", {"A", "1"}},
      {"text after the end tag joins the cell", "<tr><td>A</td>x<td>1</td></tr>", {"Ax", "1"}},
      {"unclosed cells", "<tr><td>A<td>1", {"A", "1"}},
      {"self-closing tag closes", "<tr><td>A<td/>junk<td />x</tr>", {"A"}},
      {"slash inside an attribute opens", "<tr><td style=\"background:url(/img/a.png)\">A</td><td>1</td></tr>",
       {"A", "1"}},
      {"thead-like names are cell tags too", "<tr><tdx>A</tdx><td>1</td></tr>", {"A", "1"}},
      {"spaces inside the tag name", "<tr>< t d >A< /td>< td>1</tr>", {"A", "1"}},
      {"unterminated tag", "<tr><td>A</td><td>1<span", {"A", "1"}},
      {"no cells", "<tr>text</tr>", {}},
      {"greater-than outside tags kept", "<tr><td>a>b</td></tr>", {"a>b"}},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(SplitCells(c.Row), c.Cells) << c.Name;
}

TEST(HtmlScan, MergeDuplicateCells) {
  struct Case {
    QStringList Cells;
    QStringList Merged;
  };
  // clang-format off
  const Case cases[] = {
      {{"100", "100"}, {"100"}},
      {{"A", "A", "5"}, {"A", "5"}},
      {{"A", " A ", "A"}, {"A", "A"}},
      {{"", ""}, {"", ""}},
      {{"A", "B"}, {"A", "B"}},
      {{}, {}},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(MergeDuplicateCells(c.Cells), c.Merged) << c.Cells.join('|').toStdString();
}

TEST(HtmlScan, StripTags) {
  EXPECT_EQ(StripTags(u"a<b>c</b>d"), QStringLiteral("a c d"));
  EXPECT_EQ(StripTags(u"a>b"), QStringLiteral("a b"));
  EXPECT_EQ(StripTags(u"a<b"), QStringLiteral("a"));
  EXPECT_EQ(StripTags(u""), QString());
}

TEST(HtmlScan, DecodeEntities) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"&#20013;&#x4E2D;&#X4e2d;", u"中中中"},
      {u"A&amp;B", u"A&B"},
      {u"&amp;lt;", u"&lt;"},
      {u"&#38;#20013;", u"&#20013;"},
      {u"&lt;b&gt;&quot;&nbsp;", u"<b>\" "},
      {u"&#65 &#66;", u"&#65 B"},
      {u"&#;&#x;&#xZ1;&#1a;", u"&#;&#x;&#xZ1;&#1a;"},
      {u"&#0;&#55296;&#xD800;&#1114112;&#x110000;", u"&#0;&#55296;&#xD800;&#1114112;&#x110000;"},
      {u"&#128512;", u"\U0001F600"},
      {u"&NBSP;&Amp;", u"&NBSP;&Amp;"},
      {u"&unknown; & &", u"&unknown; & &"},
      {u"&#99999999999999999999999;", u"&#99999999999999999999999;"},
      {u"&", u"&"},
      {u"&#", u"&#"},
      // Every HTML5 name, not only the five above.
      {u"华东&middot;上海 O&apos;Neil &ldquo;新&rdquo;区", u"华东·上海 O'Neil “新”区"},
      {u"&yen;5&times;2&AMP;", u"¥5×2&"},
      {u"&fjlig;&Afr;", u"fj\U0001D504"},
      {u"&amp;middot;&middot&Middot;", u"&middot;&middot&Middot;"},
      {u"&abcdefghijklmnopqrstuvwxyzabcdefghij;&;", u"&abcdefghijklmnopqrstuvwxyzabcdefghij;&;"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(DecodeEntities(QString::fromUtf16(text)), QString::fromUtf16(expected))
        << QString::fromUtf16(text).toStdString();
  }
}

TEST(HtmlScan, CleanCellText) {
  EXPECT_EQ(CleanCellText(u" 1 234 "), QStringLiteral("1234"));
  EXPECT_EQ(CleanCellText(u"North&nbsp;Region"), QStringLiteral("NorthRegion"));
  EXPECT_EQ(CleanCellText(u"A&amp;B&#160;&#12288;"), QStringLiteral("A&B"));
  EXPECT_EQ(CleanCellText(u"&lt;b&gt;"), QStringLiteral("<b>"));
}

TEST(HtmlScan, IsHeaderRow) {
  // clang-format off
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"项目", u"金额", true},  {u"Total", u"100", false}, {u"Item", u"5", true},
      {u"地区", u"AMOUNT", true}, {u"A", u"x", true},       {u"A", u"1,234", false},
      {u"合计", u"300", true},   {u"", u"", true},
  };
  // clang-format on
  for (const auto& [name, value, expected] : cases) {
    EXPECT_EQ(IsHeaderRow(QString::fromUtf16(name), QString::fromUtf16(value)), expected)
        << QString::fromUtf16(name).toStdString();
  }
}

// The shortcut for plain decimals (grouped or not) reads what the general rules read, and
// leaves every other text to them.
TEST(HtmlScan, ReadCellValueAgreesWithReadValue) {
  // clang-format off
  const char16_t* texts[] = {
      u"0", u"-0", u"+7", u"1234", u"-56.78", u"0.1", u"3.14159265358979323846264338327950288",
      u"999999999999999", u"0.999999999999999", u"9007199254740993", u"123456789.0123456",
      u"5.", u".5", u"-.5", u"-", u"+", u".", u"", u"1.2.3", u"1e3", u"50%", u"1,234",
      u"-12,345.67", u",5", u",", u"-,5", u",-5", u"1,,2.", u"￥5", u"12a", u"--1", u"1-", u"２",
      u"99999999999999999999999999999999999999999999999999999999999999999",
      u"0.000000000000000000000000000000000000000000000000000000000000001", u"1e999",
  };
  // clang-format on
  for (const char16_t* text : texts) {
    const QString t = QString::fromUtf16(text);
    double fast = -1.0, general = -1.0;
    const bool read = ReadValue(t, general);
    EXPECT_EQ(ReadCellValue(t, fast), read) << t.toStdString();
    if (read) {
      EXPECT_EQ(fast, general) << t.toStdString();
      EXPECT_EQ(std::signbit(fast), std::signbit(general)) << t.toStdString();
    }
  }
}

}  // namespace
}  // namespace qh
