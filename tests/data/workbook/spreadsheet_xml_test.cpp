#include "data/workbook/spreadsheet_xml.h"

#include <QElapsedTimer>
#include <QStringList>
#include <gtest/gtest.h>

namespace qh {
namespace {

QByteArray Workbook(const QByteArray& tableBody, const QByteArray& before = {}) {
  return "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
         "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
         "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\" "
         "xmlns:html=\"http://www.w3.org/TR/REC-html40\">" +
         before + "<Worksheet ss:Name=\"S\"><Table>" + tableBody +
         "</Table></Worksheet></Workbook>";
}

QByteArray Row(const QByteArray& cells, const QByteArray& attributes = {}) {
  return "<Row" + attributes + ">" + cells + "</Row>";
}

QByteArray Cell(const QByteArray& type, const QByteArray& value,
                const QByteArray& attributes = {}) {
  return "<Cell" + attributes + "><Data ss:Type=\"" + type + "\">" + value + "</Data></Cell>";
}

QStringList Lines(const QByteArray& document, bool* ok) {
  SheetLines lines;
  *ok = ReadSpreadsheetXmlLines(document, lines);
  QStringList out;
  for (QStringView line : lines.Lines) out.append(line.toString().replace(u'\t', u'|'));
  return out;
}

TEST(SpreadsheetXml, CellsAndRows) {
  struct Case {
    const char* Name;
    QByteArray Document;
    QStringList Lines;
  };
  const QByteArray ab = Cell("String", "A") + Cell("Number", "1");
  // clang-format off
  const Case cases[] = {
      {"plain rows", Workbook(Row(ab) + Row(Cell("String", "B") + Cell("Number", "2.50"))),
       {u"A|1"_qs, u"B|2.5"_qs}},
      {"row index skips rows", Workbook(Row(ab) + Row(ab, " ss:Index=\"3\"")), {u"A|1"_qs, u"|"_qs, u"A|1"_qs}},
      {"cell index skips cells", Workbook(Row(Cell("String", "A") + Cell("Number", "1", " ss:Index=\"3\""))),
       {u"A||1"_qs}},
      {"merge across occupies empty cells",
       Workbook(Row(Cell("String", "T", " ss:MergeAcross=\"1\"")) + Row(ab)), {u"T|"_qs, u"A|1"_qs}},
      {"merge across pushes the next cell",
       Workbook(Row(Cell("String", "T", " ss:MergeAcross=\"1\"") + Cell("Number", "5")) + Row(ab)),
       {u"T||5"_qs, u"A|1|"_qs}},
      {"merge down widens the range", Workbook(Row(Cell("String", "A", " ss:MergeDown=\"2\"") + Cell("Number", "1"))),
       {u"A|1"_qs, u"|"_qs, u"|"_qs}},
      {"rich text is its character content",
       Workbook(Row("<Cell><ss:Data ss:Type=\"String\" xmlns=\"http://www.w3.org/TR/REC-html40\">"
                    "<B>华<Font html:Color=\"#FF0000\">北</Font></B> 区</ss:Data></Cell>" + Cell("Number", "1")) +
                Row(ab)),
       {u"华北区|1"_qs, u"A|1"_qs}},
      {"comments are no data",
       Workbook(Row("<Cell><Data ss:Type=\"String\">A</Data><Comment><ss:Data>note</ss:Data></Comment></Cell>" +
                    Cell("Number", "1")) + Row(ab)),
       {u"A|1"_qs, u"A|1"_qs}},
      {"value kinds like workbook cells",
       Workbook(Row(Cell("Boolean", "1") + Cell("Boolean", "0") + Cell("Error", "#DIV/0!")) +
                Row(Cell("DateTime", "2024-01-15T00:00:00.000") + Cell("Number", "1E20") +
                    Cell("String", "1,234")) +
                Row(Cell("Number", "3000000000") + Cell("String", "名 称") + Cell("Number", "abc"))),
       {u"-1|0|"_qs, u"45306|1E+20|1234"_qs, u"3000000000|名称|abc"_qs}},
      {"1904 dates",
       Workbook(Row(Cell("DateTime", "1904-01-02T00:00:00") + Cell("Number", "1")) + Row(ab),
                "<ExcelWorkbook xmlns=\"urn:schemas-microsoft-com:office:excel\"><Date1904/></ExcelWorkbook>"),
       {u"1|1"_qs, u"A|1"_qs}},
      {"escaped text", Workbook(Row(Cell("String", "R&amp;D&#10;") + Cell("Number", "1")) + Row(ab)),
       {u"R&D|1"_qs, u"A|1"_qs}},
      {"cells without data count in the range",
       Workbook(Row(ab + "<Cell ss:StyleID=\"s1\"/>") + Row(ab)), {u"A|1|"_qs, u"A|1|"_qs}},
      {"only the first worksheet",
       "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">"
       "<Worksheet><Table><Row><Cell><Data ss:Type=\"String\">A</Data></Cell><Cell><Data ss:Type=\"Number\">1</Data></Cell></Row>"
       "<Row><Cell><Data ss:Type=\"String\">B</Data></Cell><Cell><Data ss:Type=\"Number\">2</Data></Cell></Row></Table></Worksheet>"
       "<Worksheet><Table><Row><Cell><Data ss:Type=\"String\">C</Data></Cell></Row></Table></Worksheet></Workbook>",
       {u"A|1"_qs, u"B|2"_qs}},
      {"first worksheet without a table is empty",
       "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">"
       "<Worksheet/><Worksheet><Table><Row><Cell><Data ss:Type=\"String\">C</Data></Cell><Cell/></Row>"
       "<Row><Cell/></Row></Table></Worksheet></Workbook>",
       {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    bool ok = false;
    EXPECT_EQ(Lines(c.Document, &ok), c.Lines) << c.Name;
    EXPECT_TRUE(ok) << c.Name;
  }
}

// A worksheet is picked by its name as it reads, entities replaced.
TEST(SpreadsheetXml, PicksAWorksheetByItsName) {
  const QByteArray document =
      "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
      "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">"
      "<Worksheet ss:Name=\"S\"><Table><Row><Cell><Data ss:Type=\"String\">A</Data></Cell>"
      "</Row></Table></Worksheet>"
      "<Worksheet ss:Name=\"R&amp;D &#x5E74;\"><Table><Row><Cell><Data ss:Type=\"String\">B</Data>"
      "</Cell><Cell><Data ss:Type=\"Number\">2</Data></Cell></Row></Table></Worksheet></Workbook>";
  SheetPick pick{u"R&D 年"_qs, {}};
  SheetLines lines;
  ASSERT_TRUE(ReadSpreadsheetXmlLines(document, lines, &pick));
  EXPECT_EQ(pick.Names, QStringList({u"S"_qs, u"R&D 年"_qs}));
  ASSERT_EQ(lines.Lines.size(), 1u);
  EXPECT_EQ(lines.Lines[0], u"B\t2");
}

// Hostile documents are refused, quickly and without allocating what they
// claim.
TEST(SpreadsheetXml, RefusedDocuments) {
  const QByteArray ab = Cell("String", "A") + Cell("Number", "1");
  struct Case {
    const char* Name;
    QByteArray Document;
  };
  // clang-format off
  const Case cases[] = {
      {"row index at the largest int", Workbook(Row(ab) + Row(ab, " ss:Index=\"2147483647\""))},
      {"cell index past the last column", Workbook(Row(Cell("Number", "1", " ss:Index=\"16385\"")))},
      {"a billion merged cells", Workbook(Row(Cell("String", "A", " ss:MergeAcross=\"1000000000\"")))},
      {"merged down past the last row", Workbook(Row(Cell("String", "A", " ss:MergeDown=\"1048576\"")))},
      {"index going back", Workbook(Row(ab, " ss:Index=\"3\"") + Row(ab, " ss:Index=\"2\""))},
      {"index not a number", Workbook(Row(ab, " ss:Index=\"-1\""))},
      {"cell outside a row", Workbook(ab)},
      {"far-apart cells", Workbook(Row(ab) + Row(ab, " ss:Index=\"1048576\"") )},
      {"entity declarations",
       "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
       "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>"
       "<Row><Cell><Data ss:Type=\"String\">&b;</Data></Cell></Row></Table></Worksheet></Workbook>"},
      {"undeclared entity", Workbook(Row(Cell("String", "&b;") + Cell("Number", "1")))},
      {"deep nesting", Workbook(Row("<Cell><Data ss:Type=\"String\">" + QByteArray("<B>").repeated(100) +
                                    QByteArray("</B>").repeated(100) + "</Data></Cell>"))},
      {"unclosed table", Workbook(Row(ab)).replace("</Table></Worksheet></Workbook>", "")},
  };
  // clang-format on
  for (const Case& c : cases) {
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    EXPECT_TRUE(Lines(c.Document, &ok).isEmpty()) << c.Name;
    EXPECT_FALSE(ok) << c.Name;
    EXPECT_LT(timer.elapsed(), 2000) << c.Name;
  }
}

}  // namespace
}  // namespace qh
